#include "services/CloudProvider.h"

#include "platform/Localization.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex overrideMutex;
QMap<int, QUrl> baseOverrides;

QUrl publicBaseURL(CloudProvider provider)
{
    switch (provider) {
    case CloudProvider::qwenBeijing:
        return QUrl(QStringLiteral("https://dashscope.aliyuncs.com/compatible-mode/v1"));
    case CloudProvider::qwenSingapore:
        return QUrl(QStringLiteral("https://dashscope-intl.aliyuncs.com/compatible-mode/v1"));
    case CloudProvider::openai:
        return QUrl(QStringLiteral("https://api.openai.com/v1"));
    case CloudProvider::grok:
        return QUrl(QStringLiteral("https://api.x.ai/v1"));
    case CloudProvider::deepseek:
        return QUrl(QStringLiteral("https://api.deepseek.com"));
    }
    return {};
}

} // namespace

QList<CloudProvider> CloudProvider::allCases()
{
    return {qwenBeijing, qwenSingapore, openai, grok, deepseek};
}

QList<CloudProvider> CloudProvider::available(bool summary)
{
    QList<CloudProvider> result;
    for (CloudProvider provider : allCases()) {
        if (!provider.models(summary).isEmpty())
            result.append(provider);
    }
    return result;
}

std::optional<CloudProvider> CloudProvider::fromRawValue(const QString &rawValue)
{
    for (CloudProvider provider : allCases()) {
        if (provider.rawValue() == rawValue)
            return provider;
    }
    return std::nullopt;
}

QString CloudProvider::rawValue() const
{
    switch (m_case) {
    case qwenBeijing: return QStringLiteral("qwen-beijing");
    case qwenSingapore: return QStringLiteral("qwen-singapore");
    case openai: return QStringLiteral("openai");
    case grok: return QStringLiteral("grok");
    case deepseek: return QStringLiteral("deepseek");
    }
    return {};
}

QStringList CloudProvider::models(bool summary) const
{
    switch (m_case) {
    case qwenBeijing:
    case qwenSingapore:
        return summary ? QStringList{QStringLiteral("qwen-plus"), QStringLiteral("qwen-turbo")}
                       : QStringList{QStringLiteral("qwen3-asr-flash")};
    case openai:
        return summary ? QStringList{QStringLiteral("gpt-4.1-mini"), QStringLiteral("gpt-4.1")}
                       : QStringList{QStringLiteral("gpt-4o-mini-transcribe"), QStringLiteral("gpt-4o-transcribe"),
                                     QStringLiteral("whisper-1")};
    case grok:
        return summary ? QStringList{QStringLiteral("grok-4.7")}
                       : QStringList{QStringLiteral("grok-voice-transcribe-2.0"),
                                     QStringLiteral("grok-voice-transcribe-1.0")};
    case deepseek:
        return summary ? QStringList{QStringLiteral("deepseek-flash"), QStringLiteral("deepseek-v4-pro")}
                       : QStringList{};
    }
    return {};
}

QString CloudProvider::title() const
{
    switch (m_case) {
    case qwenBeijing: return QStringLiteral("阿里云百炼（北京）");
    case qwenSingapore: return QStringLiteral("阿里云百炼（新加坡）");
    case openai: return QStringLiteral("OpenAI");
    case grok: return QStringLiteral("Grok");
    case deepseek: return QStringLiteral("DeepSeek");
    }
    return {};
}

QString CloudProvider::displayTitle() const
{
    return isQwen() ? L(title()) : title();
}

QUrl CloudProvider::baseURL() const
{
    {
        QMutexLocker lock(&overrideMutex);
        const auto found = baseOverrides.constFind(int(m_case));
        if (found != baseOverrides.cend())
            return *found;
    }
    return publicBaseURL(*this);
}

QUrl CloudProvider::requestURL(const QString &component) const
{
    return joined(baseURL(), component);
}

QUrl CloudProvider::joined(const QUrl &baseURL, const QString &component)
{
    QString base = baseURL.toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QLatin1Char('/') + component);
}

void CloudProvider::setBaseURLOverride(CloudProvider provider, std::optional<QUrl> url)
{
    QMutexLocker lock(&overrideMutex);
    if (url)
        baseOverrides.insert(int(provider.m_case), *url);
    else
        baseOverrides.remove(int(provider.m_case));
}
