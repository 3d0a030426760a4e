#include "CustomServerCard.h"

#include "platform/Errors.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/CustomServer.h"
#include "services/KeyVault.h"
#include "services/ModelClient.h"

#include <QPointer>

CustomServerCard::CustomServerCard(QObject *parent)
    : CustomServerCard(false, KeyVault::shared(), Preferences::shared(), parent)
{
}

CustomServerCard::CustomServerCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent)
    : ApiKeyCard(summary, vault, preferences, parent)
{
    reload();
}

QString CustomServerCard::account() const
{
    return CustomServer::account(summary());
}

void CustomServerCard::reload()
{
    ApiKeyCard::reload();
    m_address = summary() ? m_saved.customSummaryURL : m_saved.customASRURL;
    m_model = summary() ? m_saved.customSummaryModel : m_saved.customASRModel;
    m_listed.clear();
    Q_EMIT changed();
    refreshKeySaved();
}

void CustomServerCard::setAddress(const QString &address)
{
    if (address == m_address)
        return;
    m_address = address;
    m_listed.clear(); // another server lists other models
    report({}, false);
}

void CustomServerCard::setModel(const QString &model)
{
    if (model == m_model)
        return;
    m_model = model;
    Q_EMIT changed();
}

ModelConfiguration CustomServerCard::selected(const QString &address, const QString &model) const
{
    ModelConfiguration configuration = ModelConfiguration::load(m_preferences);
    (summary() ? configuration.summaryService : configuration.asrService) = CustomServer::service;
    (summary() ? configuration.customSummaryURL : configuration.customASRURL) = address.trimmed();
    (summary() ? configuration.customSummaryModel : configuration.customASRModel) = model.trimmed();
    return configuration;
}

void CustomServerCard::check()
{
    const auto [id, stop] = beginCheck();
    runCheck(id, m_address.trimmed(), m_model.trimmed(), key(), stop);
}

QCoro::Task<> CustomServerCard::runCheck(quint64 id, QString address, QString model, QString typed,
                                         std::stop_token stop)
{
    QPointer<CustomServerCard> self(this);
    std::optional<bool> listed;
    std::exception_ptr failure;
    try {
        CustomServer::baseURL(address);
        // A key is optional here: none typed and none stored sends none.
        QCoro::Task<QString> reading = typedOrStoredKey(typed, account());
        const QString key = co_await reading;
        const ModelClient client;
        QCoro::Task<QStringList> listing = client.listModels(address, key, stop);
        const QStringList ids = co_await listing;
        if (self && isLatestCheck(id))
            m_listed = ids;
        listed = ids.contains(model);
    } catch (...) {
        failure = std::current_exception();
    }
    if (self)
        finishCheck(id, listed, failure, stop);
}

void CustomServerCard::save()
{
    if (beginSave())
        runSave(m_address, m_model, key());
}

QCoro::Task<> CustomServerCard::runSave(QString address, QString model, QString typed)
{
    QPointer<CustomServerCard> self(this);
    try {
        const ModelConfiguration configuration = selected(address, model);
        configuration.validate();
        const QString key = typed.trimmed();
        if (!key.isEmpty()) {
            // Refused before it is stored: it could never be sent to this address.
            CustomServer::checkKeyTransport(CustomServer::baseURL(address.trimmed()), key);
            QCoro::Task<> writing = m_vault.write(key, account());
            co_await writing;
            if (!self)
                co_return;
        }
        configuration.save(m_preferences);
        announceSaved(configuration);
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
    if (self)
        endSave();
}
