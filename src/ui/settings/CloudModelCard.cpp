#include "CloudModelCard.h"

#include "SettingsEvents.h"
#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/KeyVault.h"
#include "services/ModelClient.h"

#include <QPointer>

CloudModelCard::CloudModelCard(QObject *parent)
    : CloudModelCard(false, KeyVault::shared(), Preferences::shared(), parent)
{
}

CloudModelCard::CloudModelCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent)
    : QObject(parent), m_summary(summary), m_vault(vault), m_preferences(preferences)
{
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, [this] {
        cancelCheck();
        reload();
    });
    connect(&AppEvents::instance(), &AppEvents::providerKeysChanged, this, [this] { refreshKeySaved(); });
    connect(&Strings::instance(), &Strings::languageChanged, this, &CloudModelCard::changed);
    connect(&SettingsEvents::instance(), &SettingsEvents::modelConfigurationSaved, this, [this] {
        m_saved = ModelConfiguration::load(m_preferences);
        Q_EMIT changed();
    });
    reload();
}

CloudModelCard::~CloudModelCard()
{
    if (m_checkStop)
        m_checkStop->request_stop();
}

void CloudModelCard::setSummary(bool summary)
{
    if (summary == m_summary)
        return;
    m_summary = summary;
    cancelCheck();
    reload();
}

void CloudModelCard::reload()
{
    m_saved = ModelConfiguration::load(m_preferences);
    if (m_summary) {
        const std::optional<CloudProvider> provider = CloudProvider::fromRawValue(m_saved.summaryService);
        m_provider = provider && !provider->models(true).isEmpty() ? *provider : CloudProvider(CloudProvider::deepseek);
        m_model = m_saved.summaryService == QLatin1String("ollama") ? m_provider.models(true).value(0)
                                                                     : m_saved.summaryModel;
    } else {
        m_provider = m_saved.asrProvider().value_or(CloudProvider(CloudProvider::qwenBeijing));
        m_model = m_saved.asrService == QLatin1String("whisper") ? m_provider.models(false).value(0) : m_saved.asrModel;
    }
    Q_EMIT changed();
    refreshKeySaved();
}

bool CloudModelCard::inUse() const
{
    if (m_summary)
        return m_saved.summaryService == m_provider.rawValue();
    const std::optional<CloudProvider> provider = m_saved.asrProvider();
    return provider && *provider == m_provider;
}

QStringList CloudModelCard::providerTitles() const
{
    QStringList titles;
    for (const CloudProvider &provider : CloudProvider::available(m_summary))
        titles << provider.displayTitle();
    return titles;
}

int CloudModelCard::providerIndex() const
{
    return int(CloudProvider::available(m_summary).indexOf(m_provider));
}

void CloudModelCard::setProviderIndex(int index)
{
    const QList<CloudProvider> providers = CloudProvider::available(m_summary);
    if (index < 0 || index >= providers.size() || providers[index] == m_provider)
        return;
    // The model stays as it was: it is listed first until another is picked.
    m_provider = providers[index];
    m_message.clear();
    m_failed = false;
    Q_EMIT changed();
    refreshKeySaved();
}

QStringList CloudModelCard::modelChoices() const
{
    QStringList models = m_provider.models(m_summary);
    if (!m_model.isEmpty() && !models.contains(m_model))
        models.prepend(m_model);
    return models;
}

void CloudModelCard::setModel(const QString &model)
{
    if (model == m_model)
        return;
    m_model = model;
    Q_EMIT changed();
}

void CloudModelCard::setKey(const QString &key)
{
    if (key == m_key)
        return;
    m_key = key;
    m_message.clear();
    m_failed = false;
    Q_EMIT changed();
}

void CloudModelCard::report(const QString &message, bool failed)
{
    m_message = message;
    m_failed = failed;
    Q_EMIT changed();
}

ModelConfiguration CloudModelCard::selected(CloudProvider provider, const QString &model) const
{
    ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
    configuration.select(provider, model, m_summary);
    return configuration;
}

QCoro::Task<> CloudModelCard::refreshKeySaved()
{
    QPointer<CloudModelCard> self(this);
    const CloudProvider provider = m_provider;
    try {
        QCoro::Task<std::optional<QString>> reading = m_vault.read(provider.rawValue());
        const bool saved = (co_await reading).has_value();
        if (self && m_provider == provider && saved != m_keySaved) {
            m_keySaved = saved;
            Q_EMIT changed();
        }
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
}

void CloudModelCard::check()
{
    m_message.clear();
    m_failed = false;
    m_checking = true;
    if (!m_checkStop)
        m_checkStop.emplace();
    Q_EMIT changed();
    runCheck(++m_checkID, m_provider, m_model, m_key, m_checkStop->get_token());
}

void CloudModelCard::cancelCheck()
{
    if (m_checkStop) {
        m_checkStop->request_stop();
        m_checkStop.reset();
    }
    ++m_checkID; // whatever is still under way is no longer the latest
    if (m_checking) {
        m_checking = false;
        Q_EMIT changed();
    }
}

QCoro::Task<> CloudModelCard::runCheck(quint64 id, CloudProvider provider, QString model, QString typed,
                                       std::stop_token stop)
{
    QPointer<CloudModelCard> self(this);
    ++m_checksUnderWay;
    try {
        QString key = typed.trimmed();
        if (key.isEmpty()) {
            QCoro::Task<std::optional<QString>> reading = m_vault.read(provider.rawValue());
            key = (co_await reading).value_or(QString());
        }
        const ModelClient client;
        QCoro::Task<bool> checking = client.checkAPI(provider, model, key, stop);
        const bool listed = co_await checking;
        if (self && id == m_checkID)
            report(L(listed ? QStringLiteral("API 已连接，所选模型在列表中。")
                            : QStringLiteral("API 已连接；列表未包含所选模型，调用权限需实际生成时验证。")),
                   false);
    } catch (const Cancelled &) {
    } catch (...) {
        if (self && id == m_checkID && !stop.stop_requested())
            report(describeCurrentError(), true);
    }
    if (self)
        --m_checksUnderWay;
    if (self && id == m_checkID) {
        m_checking = false;
        Q_EMIT changed();
    }
}

void CloudModelCard::save()
{
    if (m_saving)
        return;
    m_saving = true;
    Q_EMIT changed();
    runSave(m_provider, m_model, m_key);
}

QCoro::Task<> CloudModelCard::runSave(CloudProvider provider, QString model, QString typed)
{
    QPointer<CloudModelCard> self(this);
    const QString account = provider.rawValue();
    try {
        QCoro::Task<std::optional<QString>> reading = m_vault.read(account);
        const bool stored = (co_await reading).has_value();
        if (!self)
            co_return;
        if (typed.trimmed().isEmpty() && !stored)
            throw AppFailure(QStringLiteral("请填写 API Key。"));
        selected(provider, model).validate();
        if (!typed.trimmed().isEmpty()) {
            QCoro::Task<> writing = m_vault.write(typed, account);
            co_await writing;
            if (!self)
                co_return;
        }
        const ModelConfiguration configuration = selected(provider, model);
        configuration.save(m_preferences);
        m_saved = configuration;
        m_key.clear();
        report(L(QStringLiteral("已保存。")), false);
        Q_EMIT AppEvents::instance().providerKeysChanged();
        Q_EMIT SettingsEvents::instance().modelConfigurationSaved();
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
    if (self) {
        m_saving = false;
        Q_EMIT changed();
    }
}

void CloudModelCard::removeKey()
{
    runRemove(m_provider);
}

QCoro::Task<> CloudModelCard::runRemove(CloudProvider provider)
{
    QPointer<CloudModelCard> self(this);
    try {
        QCoro::Task<> removing = m_vault.remove(provider.rawValue());
        co_await removing;
        if (self)
            report(L(QStringLiteral("已移除。")), false);
        Q_EMIT AppEvents::instance().providerKeysChanged();
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
}
