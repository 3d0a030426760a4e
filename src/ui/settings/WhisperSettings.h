#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqml.h>

class Preferences;
class WhisperDownloadState;
class WhisperModels;

// The Whisper part of the "本地模型" section: the engine's presence, the model picker over the
// catalogue, checks and downloads through the shared download state, and switching transcription
// to the selected local model once its file is verified.
class WhisperSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(WhisperSettings)
    Q_PROPERTY(WhisperDownloadState *downloads READ downloads WRITE setDownloads NOTIFY downloadsChanged)
    Q_PROPERTY(bool engineReady READ engineReady CONSTANT)
    Q_PROPERTY(QString engineStatus READ engineStatus NOTIFY changed)
    Q_PROPERTY(QStringList modelNames READ modelNames CONSTANT)
    Q_PROPERTY(int modelIndex READ modelIndex WRITE setModelIndex NOTIFY changed)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(QString currentModel READ currentModel NOTIFY changed)
    Q_PROPERTY(bool busy READ busy NOTIFY changed)
    Q_PROPERTY(bool downloading READ downloading NOTIFY changed)
    Q_PROPERTY(double fraction READ fraction NOTIFY changed)
    Q_PROPERTY(QString bytesText READ bytesText NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool failed READ failed NOTIFY changed)

public:
    // On the shared model store and preferences; the download state comes from QML.
    explicit WhisperSettings(QObject *parent = nullptr);
    WhisperSettings(WhisperDownloadState &downloads, WhisperModels &models, Preferences &preferences,
                    QString executable, QObject *parent = nullptr);

    WhisperDownloadState *downloads() const { return m_downloads; }
    void setDownloads(WhisperDownloadState *downloads);
    bool engineReady() const;
    QString engineStatus() const;
    QStringList modelNames() const;
    int modelIndex() const;
    void setModelIndex(int index);
    bool inUse() const;
    // The configured local model's name.
    QString currentModel() const;
    bool busy() const;
    bool downloading() const;
    double fraction() const;
    // "12.0 MB / 141.1 MB" while downloading.
    QString bytesText() const;
    // This part's own message, else the download state's.
    QString message() const;
    // Whether message() reports a failure: this part's own, else the download state's.
    bool failed() const;

    Q_INVOKABLE void checkModel();
    Q_INVOKABLE void download();
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void useSelected();

Q_SIGNALS:
    void downloadsChanged();
    void changed();

private:
    QCoro::Task<> runUseSelected(QString id);
    QString selectedID() const;
    void setOwnMessage(const QString &message, bool failed);

    QPointer<WhisperDownloadState> m_downloads;
    WhisperModels &m_models;
    Preferences &m_preferences;
    QString m_executable;
    QString m_message;
    bool m_failed = false;
};
