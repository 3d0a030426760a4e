#pragma once

#include "services/CloudProvider.h"
#include "services/ModelConfiguration.h"

#include <QCoroTask>
#include <QObject>
#include <QStringList>
#include <QtQml/qqml.h>

#include <optional>
#include <stop_token>

class KeyVault;
class Preferences;

// One card of the "模型 API" section: the cloud provider, model and API key of transcription
// (summary false) or summaries (summary true). The key field is never filled from the vault; only
// the latest check may write the status line.
class CloudModelCard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(CloudModelCard)
    Q_PROPERTY(bool summary READ summary WRITE setSummary NOTIFY changed)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(QStringList providerTitles READ providerTitles NOTIFY changed)
    Q_PROPERTY(int providerIndex READ providerIndex WRITE setProviderIndex NOTIFY changed)
    Q_PROPERTY(QStringList modelChoices READ modelChoices NOTIFY changed)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY changed)
    Q_PROPERTY(QString key READ key WRITE setKey NOTIFY changed)
    Q_PROPERTY(bool keySaved READ keySaved NOTIFY changed)
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    Q_PROPERTY(bool saving READ saving NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool failed READ failed NOTIFY changed)

public:
    // On the shared key vault and preferences store.
    explicit CloudModelCard(QObject *parent = nullptr);
    CloudModelCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent = nullptr);
    ~CloudModelCard() override;

    bool summary() const { return m_summary; }
    void setSummary(bool summary);
    bool inUse() const;
    QStringList providerTitles() const;
    int providerIndex() const;
    void setProviderIndex(int index);
    CloudProvider provider() const { return m_provider; }
    // The provider's offered models for the card's role, the chosen one first when it is not among them.
    QStringList modelChoices() const;
    QString model() const { return m_model; }
    void setModel(const QString &model);
    QString key() const { return m_key; }
    void setKey(const QString &key);
    bool keySaved() const { return m_keySaved; }
    bool checking() const { return m_checking; }
    // Checks whose answer is still to come, superseded ones included (their answer is dropped).
    int checksUnderWay() const { return m_checksUnderWay; }
    bool saving() const { return m_saving; }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }

    // Provider and model from the stored configuration, then whether a key is stored.
    Q_INVOKABLE void reload();
    Q_INVOKABLE void check();
    Q_INVOKABLE void save();
    Q_INVOKABLE void removeKey();
    // Stops a running check; its answer is dropped.
    Q_INVOKABLE void cancelCheck();

Q_SIGNALS:
    void changed();

private:
    QCoro::Task<> refreshKeySaved();
    QCoro::Task<> runCheck(quint64 id, CloudProvider provider, QString model, QString typed, std::stop_token stop);
    QCoro::Task<> runSave(CloudProvider provider, QString model, QString typed);
    QCoro::Task<> runRemove(CloudProvider provider);
    void report(const QString &message, bool failed);
    ModelConfiguration selected(CloudProvider provider, const QString &model) const;

    bool m_summary = false;
    KeyVault &m_vault;
    Preferences &m_preferences;
    ModelConfiguration m_saved;
    CloudProvider m_provider = CloudProvider::qwenBeijing;
    QString m_model;
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
