#include "OllamaSettings.h"

#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "processing/JobMessages.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"

#include <QPointer>

OllamaSettings::OllamaSettings(QObject *parent) : OllamaSettings(Preferences::shared(), parent) {}

OllamaSettings::OllamaSettings(Preferences &preferences, QObject *parent) : QObject(parent), m_preferences(preferences)
{
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, &OllamaSettings::reload);
    connect(&Strings::instance(), &Strings::languageChanged, this, &OllamaSettings::changed);
    reload();
}

OllamaSettings::~OllamaSettings()
{
    cancelRefresh();
}

void OllamaSettings::reload()
{
    cancelRefresh();
    const ModelConfiguration stored = ModelConfiguration::load(m_preferences);
    m_url = stored.ollamaURL;
    m_model = stored.ollamaModel;
    m_inUse = stored.summaryService == QLatin1String("ollama");
    m_message.clear();
    m_failed = false;
    Q_EMIT changed();
}

void OllamaSettings::setUrl(const QString &url)
{
    if (url == m_url)
        return;
    m_url = url;
    Q_EMIT changed();
}

void OllamaSettings::setModel(const QString &model)
{
    if (model == m_model)
        return;
    m_model = model;
    Q_EMIT changed();
}

QStringList OllamaSettings::modelNames() const
{
    QStringList names = m_detected;
    if (!m_model.isEmpty() && !names.contains(m_model))
        names << m_model;
    return names;
}

QStringList OllamaSettings::modelLabels() const
{
    QStringList labels = m_detected;
    if (!m_model.isEmpty() && !labels.contains(m_model))
        labels << m_model + L(QStringLiteral(" · 待检测"));
    return labels;
}

void OllamaSettings::setModelIndex(int index)
{
    const QStringList names = modelNames();
    if (index >= 0 && index < names.size())
        setModel(names[index]);
}

void OllamaSettings::report(const QString &message, bool failed)
{
    m_message = message;
    m_failed = failed;
    Q_EMIT changed();
}

void OllamaSettings::cancelRefresh()
{
    if (m_stop) {
        m_stop->request_stop();
        m_stop.reset();
    }
    ++m_revision;
    m_checking = false;
}

void OllamaSettings::refresh()
{
    cancelRefresh();
    m_stop.emplace();
    m_checking = true;
    m_message.clear();
    m_failed = false;
    Q_EMIT changed();
    runRefresh(m_revision, m_url, m_stop->get_token());
}

QCoro::Task<> OllamaSettings::runRefresh(quint64 revision, QString base, std::stop_token stop)
{
    QPointer<OllamaSettings> self(this);
    try {
        const OllamaClient client;
        QCoro::Task<QStringList> listing = client.models(base, stop);
        const QStringList names = co_await listing;
        if (!self || revision != m_revision)
            co_return;
        m_detected = names;
        report(names.isEmpty() ? L(QStringLiteral("服务已连接，尚无可用的本地模型。"))
                               : JobMessages::localized(QStringLiteral("已连接，检测到 %d 个本地模型。"),
                                                        {QString::number(names.size())}),
               false);
    } catch (const Cancelled &) {
    } catch (...) {
        if (self && revision == m_revision) {
            m_detected.clear();
            report(describeCurrentError(), true);
        }
    }
    if (self && revision == m_revision) {
        m_checking = false;
        m_stop.reset();
        Q_EMIT changed();
    }
}

void OllamaSettings::save()
{
    try {
        ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
        configuration.summaryService = QStringLiteral("ollama");
        configuration.ollamaURL = m_url;
        configuration.ollamaModel = m_model;
        configuration.save(m_preferences);
        m_inUse = true;
        report(L(QStringLiteral("已保存。")), false);
    } catch (...) {
        report(describeCurrentError(), true);
    }
}
