#include "ApiKeyCard.h"

#include "SettingsEvents.h"
#include "Strings.h"
#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "services/KeyVault.h"

#include <QPointer>

ApiKeyCard::ApiKeyCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent)
    : QObject(parent), m_vault(vault), m_preferences(preferences), m_summary(summary)
{
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, [this] {
        cancelCheck();
        reload();
    });
    connect(&AppEvents::instance(), &AppEvents::providerKeysChanged, this, [this] { refreshKeySaved(); });
    connect(&Strings::instance(), &Strings::languageChanged, this, &ApiKeyCard::changed);
    connect(&SettingsEvents::instance(), &SettingsEvents::modelConfigurationSaved, this, [this] {
        m_saved = ModelConfiguration::load(m_preferences);
        Q_EMIT changed();
    });
}

ApiKeyCard::~ApiKeyCard()
{
    if (m_checkStop)
        m_checkStop->request_stop();
}

void ApiKeyCard::reload()
{
    m_saved = ModelConfiguration::load(m_preferences);
}

void ApiKeyCard::setSummary(bool summary)
{
    if (summary == m_summary)
        return;
    m_summary = summary;
    cancelCheck();
    reload();
}

void ApiKeyCard::setKey(const QString &key)
{
    if (key == m_key)
        return;
    m_key = key;
    report({}, false);
}

void ApiKeyCard::report(const QString &message, bool failed)
{
    m_message = message;
    m_failed = failed;
    Q_EMIT changed();
}

std::pair<quint64, std::stop_token> ApiKeyCard::beginCheck()
{
    m_checking = true;
    ++m_checksUnderWay;
    if (!m_checkStop)
        m_checkStop.emplace();
    report({}, false);
    return {++m_checkID, m_checkStop->get_token()};
}

void ApiKeyCard::finishCheck(quint64 id, std::optional<bool> listed, std::exception_ptr failure,
                             const std::stop_token &stop)
{
    --m_checksUnderWay;
    if (id != m_checkID) {
        Q_EMIT changed();
        return;
    }
    m_checking = false;
    if (listed) {
        report(L(*listed ? QStringLiteral("API 已连接，所选模型在列表中。")
                         : QStringLiteral("API 已连接；列表未包含所选模型，调用权限需实际生成时验证。")),
               false);
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const Cancelled &) {
        Q_EMIT changed();
    } catch (...) {
        if (stop.stop_requested())
            Q_EMIT changed();
        else
            report(describeCurrentError(), true);
    }
}

QCoro::Task<QString> ApiKeyCard::typedOrStoredKey(QString typed, QString account)
{
    if (!typed.trimmed().isEmpty())
        co_return typed.trimmed();
    QCoro::Task<std::optional<QString>> reading = m_vault.read(account);
    co_return (co_await reading).value_or(QString());
}

void ApiKeyCard::cancelCheck()
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

bool ApiKeyCard::beginSave()
{
    if (m_saving)
        return false;
    m_saving = true;
    Q_EMIT changed();
    return true;
}

void ApiKeyCard::endSave()
{
    m_saving = false;
    Q_EMIT changed();
}

void ApiKeyCard::announceSaved(const ModelConfiguration &configuration)
{
    m_saved = configuration;
    m_key.clear();
    report(L(QStringLiteral("已保存。")), false);
    Q_EMIT AppEvents::instance().providerKeysChanged();
    Q_EMIT SettingsEvents::instance().modelConfigurationSaved();
}

QCoro::Task<> ApiKeyCard::refreshKeySaved()
{
    QPointer<ApiKeyCard> self(this);
    const QString asked = account();
    try {
        QCoro::Task<std::optional<QString>> reading = m_vault.read(asked);
        const bool saved = (co_await reading).has_value();
        if (self && account() == asked && saved != m_keySaved) {
            m_keySaved = saved;
            Q_EMIT changed();
        }
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
}

void ApiKeyCard::removeKey()
{
    runRemove(account());
}

QCoro::Task<> ApiKeyCard::runRemove(QString account)
{
    QPointer<ApiKeyCard> self(this);
    try {
        QCoro::Task<> removing = m_vault.remove(account);
        co_await removing;
        if (self)
            report(L(QStringLiteral("已移除。")), false);
        Q_EMIT AppEvents::instance().providerKeysChanged();
    } catch (...) {
        if (self)
            report(describeCurrentError(), true);
    }
}
