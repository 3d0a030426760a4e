#include "CloudModelCard.h"

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
    : ApiKeyCard(summary, vault, preferences, parent)
{
    reload();
}

void CloudModelCard::reload()
{
    ApiKeyCard::reload();
    if (summary()) {
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
    if (summary())
        return m_saved.summaryService == m_provider.rawValue();
    const std::optional<CloudProvider> provider = m_saved.asrProvider();
    return provider && *provider == m_provider;
}

QStringList CloudModelCard::providerTitles() const
{
    QStringList titles;
    for (const CloudProvider &provider : CloudProvider::available(summary()))
        titles << provider.displayTitle();
    return titles;
}

int CloudModelCard::providerIndex() const
{
    return int(CloudProvider::available(summary()).indexOf(m_provider));
}

void CloudModelCard::setProviderIndex(int index)
{
    const QList<CloudProvider> providers = CloudProvider::available(summary());
    if (index < 0 || index >= providers.size() || providers[index] == m_provider)
        return;
    // The model stays as it was: it is listed first until another is picked.
    m_provider = providers[index];
    report({}, false);
    refreshKeySaved();
}

QStringList CloudModelCard::modelChoices() const
{
    QStringList models = m_provider.models(summary());
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

ModelConfiguration CloudModelCard::selected(CloudProvider provider, const QString &model) const
{
    ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
    configuration.select(provider, model, summary());
    return configuration;
}

void CloudModelCard::check()
{
    const auto [id, stop] = beginCheck();
    runCheck(id, m_provider, m_model, key(), stop);
}

QCoro::Task<> CloudModelCard::runCheck(quint64 id, CloudProvider provider, QString model, QString typed,
                                       std::stop_token stop)
{
    QPointer<CloudModelCard> self(this);
    std::optional<bool> listed;
    std::exception_ptr failure;
    try {
        QCoro::Task<QString> reading = typedOrStoredKey(typed, provider.rawValue());
        const QString key = co_await reading;
        const ModelClient client;
        QCoro::Task<bool> checking = client.checkAPI(provider, model, key, stop);
        listed = co_await checking;
    } catch (...) {
        failure = std::current_exception();
    }
    if (self)
        finishCheck(id, listed, failure, stop);
}

void CloudModelCard::save()
{
    if (beginSave())
        runSave(m_provider, m_model, key());
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
        announceSaved(configuration);
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
    if (self)
        endSave();
}
