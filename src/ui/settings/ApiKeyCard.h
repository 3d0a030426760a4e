#pragma once

#include "services/ModelConfiguration.h"

#include <QCoroTask>
#include <QObject>
#include <QtQml/qqml.h>

#include <exception>
#include <optional>
#include <stop_token>
#include <utility>

class KeyVault;
class Preferences;

// What every card with an API key shares: the key field (never filled from the vault), whether a
// key is stored for the card's account, the check and save states and the status line, of which
// only the latest check may write. Subclasses say which account and what they check and save.
class ApiKeyCard : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_DISABLE_COPY_MOVE(ApiKeyCard)
    Q_PROPERTY(bool summary READ summary WRITE setSummary NOTIFY changed)
    Q_PROPERTY(QString key READ key WRITE setKey NOTIFY changed)
    Q_PROPERTY(bool keySaved READ keySaved NOTIFY changed)
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    Q_PROPERTY(bool saving READ saving NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool failed READ failed NOTIFY changed)

public:
    ~ApiKeyCard() override;

    bool summary() const { return m_summary; }
    void setSummary(bool summary);
    QString key() const { return m_key; }
    void setKey(const QString &key);
    bool keySaved() const { return m_keySaved; }
    bool checking() const { return m_checking; }
    // Checks whose answer is still to come, superseded ones included (their answer is dropped).
    int checksUnderWay() const { return m_checksUnderWay; }
    bool saving() const { return m_saving; }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }

    // The card's fields from the stored configuration, then whether a key is stored.
    Q_INVOKABLE virtual void reload();
    Q_INVOKABLE void removeKey();
    // Stops a running check; its answer is dropped.
    Q_INVOKABLE void cancelCheck();

Q_SIGNALS:
    void changed();

protected:
    ApiKeyCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent);

    // The vault account of the card's key as it stands now.
    virtual QString account() const { return {}; }
    void report(const QString &message, bool failed);
    // A new check: its number and stop token. Only the latest one may report.
    std::pair<quint64, std::stop_token> beginCheck();
    bool isLatestCheck(quint64 id) const { return id == m_checkID; }
    // The end of a check: whether the model is listed, or why it failed; only the latest check
    // reports, and a cancelled one says nothing.
    void finishCheck(quint64 id, std::optional<bool> listed, std::exception_ptr failure, const std::stop_token &stop);
    // The typed key, trimmed, else the one stored for the account (empty when there is none).
    QCoro::Task<QString> typedOrStoredKey(QString typed, QString account);
    // Saving: refuses a second save while one runs.
    bool beginSave();
    void endSave();
    // After the configuration (and a typed key) were stored: clears the field, says so, tells the
    // other screens.
    void announceSaved(const ModelConfiguration &configuration);
    QCoro::Task<> refreshKeySaved();

    KeyVault &m_vault;
    Preferences &m_preferences;
    ModelConfiguration m_saved;

private:
    QCoro::Task<> runRemove(QString account);

    bool m_summary = false;
    QString m_key;
    bool m_keySaved = false;
    bool m_checking = false;
    bool m_saving = false;
    QString m_message;
    bool m_failed = false;
    quint64 m_checkID = 0;
    int m_checksUnderWay = 0;
    std::optional<std::stop_source> m_checkStop;
};
