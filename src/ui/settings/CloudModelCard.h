#pragma once

#include "ApiKeyCard.h"
#include "services/CloudProvider.h"

#include <QStringList>

// One card of the "模型 API" section: the cloud provider, model and API key of transcription
// (summary false) or summaries (summary true).
class CloudModelCard : public ApiKeyCard {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(CloudModelCard)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(QStringList providerTitles READ providerTitles NOTIFY changed)
    Q_PROPERTY(int providerIndex READ providerIndex WRITE setProviderIndex NOTIFY changed)
    Q_PROPERTY(QStringList modelChoices READ modelChoices NOTIFY changed)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY changed)

public:
    // On the shared key vault and preferences store.
    explicit CloudModelCard(QObject *parent = nullptr);
    CloudModelCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent = nullptr);

    bool inUse() const;
    QStringList providerTitles() const;
    int providerIndex() const;
    void setProviderIndex(int index);
    CloudProvider provider() const { return m_provider; }
    // The provider's offered models for the card's role, the chosen one first when it is not among them.
    QStringList modelChoices() const;
    QString model() const { return m_model; }
    void setModel(const QString &model);

    // Provider and model from the stored configuration, then whether a key is stored.
    void reload() override;
    Q_INVOKABLE void check();
    Q_INVOKABLE void save();

protected:
    QString account() const override { return m_provider.rawValue(); }

private:
    QCoro::Task<> runCheck(quint64 id, CloudProvider provider, QString model, QString typed, std::stop_token stop);
    QCoro::Task<> runSave(CloudProvider provider, QString model, QString typed);
    ModelConfiguration selected(CloudProvider provider, const QString &model) const;

    CloudProvider m_provider = CloudProvider::qwenBeijing;
    QString m_model;
};
