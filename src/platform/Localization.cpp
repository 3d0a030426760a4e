#include "platform/Localization.h"

#include "platform/Preferences.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <mutex>

#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <memory>

namespace {

using Table = QHash<QString, QString>;

Table loadTable(const QString &language)
{
    Table table;
    QFile file(QStringLiteral(":/i18n/%1.json").arg(language));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            table.insert(it.key(), it.value().toString());
    }
    return table;
}

const Table &table(const QString &language)
{
    static std::once_flag traditionalOnce, englishOnce;
    static Table traditional, english;
    if (language == QLatin1String("zh-Hant")) {
        std::call_once(traditionalOnce, [] { traditional = loadTable(QStringLiteral("zh-Hant")); });
        return traditional;
    }
    std::call_once(englishOnce, [] { english = loadTable(QStringLiteral("en")); });
    return english;
}

// ICU transliterators are not thread-safe to share; one per thread and direction keeps lookups
// lock-free. The original text when ICU has no such transform.
QString transliterated(const QString &text, bool toTraditional)
{
    auto make = [](const char *id) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    };
    thread_local std::unique_ptr<icu::Transliterator> traditional = make("Hans-Hant");
    thread_local std::unique_ptr<icu::Transliterator> simplified = make("Hant-Hans");
    icu::Transliterator *transliterator = toTraditional ? traditional.get() : simplified.get();
    if (!transliterator)
        return text;
    icu::UnicodeString buffer(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    transliterator->transliterate(buffer);
    return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
}

QString toTraditional(const QString &key)
{
    const QString converted = transliterated(key, true);
    return converted.isEmpty() ? key : converted;
}

} // namespace

namespace AppLanguages {

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::Traditional: return QStringLiteral("zh-Hant");
    case AppLanguage::English: return QStringLiteral("en");
    case AppLanguage::Chinese: break;
    }
    return QStringLiteral("zh-Hans");
}

QString displayName(AppLanguage language)
{
    switch (language) {
    case AppLanguage::Traditional: return QStringLiteral("繁體中文");
    case AppLanguage::English: return QStringLiteral("English");
    case AppLanguage::Chinese: break;
    }
    return QStringLiteral("简体中文");
}

AppLanguage fromRawValue(const QString &raw)
{
    if (raw == QLatin1String("zh-Hant"))
        return AppLanguage::Traditional;
    if (raw == QLatin1String("en"))
        return AppLanguage::English;
    return AppLanguage::Chinese;
}

} // namespace AppLanguages

namespace AppLocalization {

QString text(const QString &key, const QString &language)
{
    if (language == QLatin1String("zh-Hant")) {
        const Table &t = table(language);
        const auto it = t.constFind(key);
        return it != t.constEnd() ? *it : toTraditional(key);
    }
    if (language == QLatin1String("en")) {
        const Table &t = table(language);
        const auto it = t.constFind(key);
        return it != t.constEnd() ? *it : key;
    }
    return key;
}

QString storedLanguage()
{
    return Preferences::shared().string(QStringLiteral("app.language")).value_or(QStringLiteral("zh-Hans"));
}

QString inTranscriptScript(const QString &text, const QString &language)
{
    switch (AppLanguages::fromRawValue(language)) {
    case AppLanguage::English: return text;
    case AppLanguage::Traditional: return transliterated(text, true);
    case AppLanguage::Chinese: break;
    }
    return transliterated(text, false);
}

} // namespace AppLocalization

QString L(const QString &key)
{
    return AppLocalization::text(key, AppLocalization::storedLanguage());
}
