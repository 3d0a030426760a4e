#pragma once

#include "ApiKeyCard.h"

#include <QStringList>

// The "自定义服务器" card of one role: the address of the person's own OpenAI-compatible server,
// the model name (typed, or picked from what the server lists under "models") and an optional
// key. Saving makes the server the role's engine.
class CustomServerCard : public ApiKeyCard {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(CustomServerCard)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(QString address READ address WRITE setAddress NOTIFY changed)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY changed)
    Q_PROPERTY(QStringList listedModels READ listedModels NOTIFY changed)

public:
    explicit CustomServerCard(QObject *parent = nullptr);
    CustomServerCard(bool summary, KeyVault &vault, Preferences &preferences, QObject *parent = nullptr);

    bool inUse() const { return m_saved.usesCustomServer(summary()); }
    QString address() const { return m_address; }
    void setAddress(const QString &address);
    QString model() const { return m_model; }
    void setModel(const QString &model);
    QStringList listedModels() const { return m_listed; }

    void reload() override;
    // "检测连接": lists the server's models (with the typed or saved key, if any).
    Q_INVOKABLE void check();
    Q_INVOKABLE void save();

protected:
    QString account() const override;

private:
    QCoro::Task<> runCheck(quint64 id, QString address, QString model, QString typed, std::stop_token stop);
    QCoro::Task<> runSave(QString address, QString model, QString typed);
    ModelConfiguration selected(const QString &address, const QString &model) const;

    QString m_address;
    QString m_model;
    QStringList m_listed;
};
