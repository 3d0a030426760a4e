#pragma once

#include <QCoroTask>
#include <QObject>
#include <QStringList>
#include <QtQml/qqml.h>

#include <optional>
#include <stop_token>

class Preferences;

// The Ollama part of the "本地模型" section: the server address and model being edited, the models
// the server lists (the configured one kept as " · 待检测" when the server no longer has it), and
// saving Ollama as the summary engine. Only the latest refresh may change the list.
class OllamaSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(OllamaSettings)
    Q_PROPERTY(QString url READ url WRITE setUrl NOTIFY changed)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY changed)
    Q_PROPERTY(QStringList modelLabels READ modelLabels NOTIFY changed)
    Q_PROPERTY(int modelIndex READ modelIndex WRITE setModelIndex NOTIFY changed)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(bool checking READ checking NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool failed READ failed NOTIFY changed)

public:
    explicit OllamaSettings(QObject *parent = nullptr);
    explicit OllamaSettings(Preferences &preferences, QObject *parent = nullptr);
    ~OllamaSettings() override;

    QString url() const { return m_url; }
    void setUrl(const QString &url);
    QString model() const { return m_model; }
    void setModel(const QString &model);
    // The detected names, then the configured model when the server did not list it.
    QStringList modelNames() const;
    QStringList modelLabels() const;
    int modelIndex() const { return int(modelNames().indexOf(m_model)); }
    void setModelIndex(int index);
    bool inUse() const { return m_inUse; }
    bool checking() const { return m_checking; }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }

    // Address and model from the stored configuration; a running refresh is dropped.
    Q_INVOKABLE void reload();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void save();

Q_SIGNALS:
    void changed();

private:
    QCoro::Task<> runRefresh(quint64 revision, QString base, std::stop_token stop);
    void cancelRefresh();
    void report(const QString &message, bool failed);

    Preferences &m_preferences;
    QString m_url;
    QString m_model;
    QStringList m_detected;
    bool m_inUse = false;
    bool m_checking = false;
    QString m_message;
    bool m_failed = false;
    quint64 m_revision = 0;
    std::optional<std::stop_source> m_stop;
};
