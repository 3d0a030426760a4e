#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class WhisperModels;

// The one download or check of a Whisper model the settings screen starts and watches. Lives on the
// main thread; busy makes runs mutually exclusive. readyID names a model only after it passed
// verification during this run of the program.
class WhisperDownloadState final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WhisperDownloadState)
    Q_PROPERTY(QString selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QString readyID READ readyIDText NOTIFY readyIDChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    // Whether message reports a failed download or check (not a cancelled one).
    Q_PROPERTY(bool failed READ failed NOTIFY messageChanged)
    Q_PROPERTY(bool downloading READ downloading NOTIFY downloadingChanged)
    Q_PROPERTY(qint64 receivedBytes READ receivedBytes NOTIFY receivedBytesChanged)
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY totalBytesChanged)

public:
    // storedModelID gives the configured local model; it is asked once, when selectedID is first read.
    WhisperDownloadState(WhisperModels &models, std::function<QString()> storedModelID, QObject *parent = nullptr);
    ~WhisperDownloadState() override;

    // The program's instance, on the shared model store and the stored model configuration.
    static WhisperDownloadState &shared();

    QString selectedID();
    void setSelectedID(const QString &id);
    bool busy() const { return m_busy; }
    const std::optional<QString> &readyID() const { return m_readyID; }
    QString readyIDText() const { return m_readyID.value_or(QString()); }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }
    // True while the file is being transferred (not while it is being checked).
    bool downloading() const { return m_downloading; }
    qint64 receivedBytes() const { return m_receivedBytes; }
    qint64 totalBytes() const { return m_totalBytes; }

    // Starts a download-and-check (download true) or a check of the installed file. Ignored while busy.
    void run(const QString &id, bool download);
    // Stops the running download or check at its next cancellation point; busyChanged(false) follows.
    void cancel();

Q_SIGNALS:
    void selectedIDChanged();
    void busyChanged();
    void readyIDChanged();
    void messageChanged();
    void downloadingChanged();
    void receivedBytesChanged();
    void totalBytesChanged();

private:
    QCoro::Task<> perform(QString id, bool download, std::stop_token stop, std::shared_ptr<bool> alive);
    void setBusy(bool busy);
    void setReadyID(std::optional<QString> id);
    void setMessage(const QString &message, bool failed = false);
    void setDownloading(bool downloading);
    void setProgress(qint64 received, qint64 total);

    WhisperModels &m_models;
    std::function<QString()> m_storedModelID;
    std::optional<QString> m_selectedID;
    bool m_busy = false;
    std::optional<QString> m_readyID;
    QString m_message;
    bool m_failed = false;
    bool m_downloading = false;
    qint64 m_receivedBytes = 0;
    qint64 m_totalBytes = 0;
    std::optional<std::stop_source> m_task;
    // Tells a run that ends after this object is gone not to touch it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
