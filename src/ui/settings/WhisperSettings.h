#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqml.h>

#include <functional>

class Preferences;
struct ModelConfiguration;
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
    Q_PROPERTY(QStringList modelNames READ modelNames NOTIFY changed)
    Q_PROPERTY(int modelIndex READ modelIndex WRITE setModelIndex NOTIFY changed)
    Q_PROPERTY(bool inUse READ inUse NOTIFY changed)
    Q_PROPERTY(QString currentModel READ currentModel NOTIFY changed)
    Q_PROPERTY(bool busy READ busy NOTIFY changed)
    Q_PROPERTY(bool downloading READ downloading NOTIFY changed)
    Q_PROPERTY(double fraction READ fraction NOTIFY changed)
    Q_PROPERTY(QString bytesText READ bytesText NOTIFY changed)
    Q_PROPERTY(QString message READ message NOTIFY changed)
    Q_PROPERTY(bool failed READ failed NOTIFY changed)
    Q_PROPERTY(QStringList languageNames READ languageNames NOTIFY changed)
    Q_PROPERTY(int languageIndex READ languageIndex WRITE setLanguageIndex NOTIFY changed)
    Q_PROPERTY(QStringList threadChoices READ threadChoices NOTIFY changed)
    Q_PROPERTY(int threadIndex READ threadIndex WRITE setThreadIndex NOTIFY changed)
    Q_PROPERTY(bool selectedIsAdded READ selectedIsAdded NOTIFY changed)
    Q_PROPERTY(bool voiceDetection READ voiceDetection WRITE setVoiceDetection NOTIFY changed)
    Q_PROPERTY(bool detectorInstalled READ detectorInstalled NOTIFY changed)
    Q_PROPERTY(QString deviceLine READ deviceLine NOTIFY changed)

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

    // The spoken language: "自动检测", then every language whisper knows by its own name.
    QStringList languageNames() const;
    int languageIndex() const;
    void setLanguageIndex(int index);
    // The engine's threads: "自动（N 核）" (one per physical core), then 1, 2, ... up to twice the
    // cores (at least 16).
    QStringList threadChoices() const;
    int threadIndex() const;
    void setThreadIndex(int index);

    // "上次转写使用：GPU：…" or "上次转写使用：CPU · 8 线程", as the engine reported its last chunk in
    // this run of the program; empty before the first.
    QString deviceLine() const;

    // The selected model is one the person added from a file (it can be removed).
    bool selectedIsAdded() const;
    // "添加模型文件…": copies the chosen ggml model in once the helper has loaded it, and selects it.
    Q_INVOKABLE void addModelFile(const QUrl &file);
    Q_INVOKABLE void removeSelected();
    // Skipping silence with the voice detector (used once its model is installed).
    bool voiceDetection() const;
    void setVoiceDetection(bool on);
    // A quick look at the detector's file (its size); every chunk verifies it in full.
    bool detectorInstalled() const;
    Q_INVOKABLE void downloadDetector();

    Q_INVOKABLE void checkModel();
    Q_INVOKABLE void download();
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void useSelected();

Q_SIGNALS:
    void downloadsChanged();
    void changed();

private:
    QCoro::Task<> runUseSelected(QString id);
    QCoro::Task<> runAdd(QString file);
    QCoro::Task<> runRemove(QString id);
    bool m_adding = false;
    QString selectedID() const;
    void setOwnMessage(const QString &message, bool failed);
    // Saves one change of the stored model settings; a failure shows as this part's message.
    void saveConfiguration(const std::function<void(ModelConfiguration &)> &change);

    QPointer<WhisperDownloadState> m_downloads;
    WhisperModels &m_models;
    Preferences &m_preferences;
    QString m_executable;
    QString m_message;
    bool m_failed = false;
};
