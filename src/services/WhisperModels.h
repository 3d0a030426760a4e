#pragma once

#include "platform/Async.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

// One downloadable whisper.cpp model: the exact size and SHA-256 of its file prove it complete and
// genuine. A model counts as installed only while its file passes that check.
struct WhisperModel {
    QString id;
    QString name;
    qint64 size = 0;
    QString checksum; // SHA-256, 64 lower-case hexadecimal digits
    // What the model is good for (speed against accuracy), a text key looked up when shown.
    QString purpose;
    // Where the file is downloaded from when not from the store's hub.
    QUrl source;

    // "ggml-" + id + ".bin": the name on the hub and in the models folder.
    QString fileName() const { return QStringLiteral("ggml-") + id + QStringLiteral(".bin"); }

    bool operator==(const WhisperModel &) const = default;
};

// Time limits of one model download.
struct WhisperDownloadLimits {
    std::chrono::milliseconds idle{std::chrono::seconds(60)};    // no data for this long fails
    std::chrono::milliseconds whole{std::chrono::seconds(3600)}; // the whole transfer
};

// The local model store: the catalogue, the models folder, verification and downloads.
// File work runs on the store's own serial executor, so a check of an installed file never overlaps
// the installation of a new one and hashing never blocks the main thread.
class WhisperModels final {
public:
    // Bytes received so far; the total is the model's size.
    using Progress = std::function<void(qint64 received)>;

    // The supported models, smallest first.
    static QList<WhisperModel> builtInCatalogue();
    // Silero's voice activity detector for whisper-cli's --vad, from its own hub repository.
    static WhisperModel voiceDetector();
    // True for an id the settings may name as the local model: one of the built-in catalogue, or
    // one added to the shared store.
    static bool isUsableID(const QString &id);
    // The whisper.cpp model repository on the public hub (ends in "/whisper.cpp/resolve/main/").
    static QUrl defaultHub();

    explicit WhisperModels(QString root = {}, QList<WhisperModel> catalogue = builtInCatalogue(),
                           QUrl hub = defaultHub(), WhisperDownloadLimits limits = {});
    WhisperModels(const WhisperModels &) = delete;
    WhisperModels &operator=(const WhisperModels &) = delete;

    // The store the program shares; its folder is AppPaths::modelsFolder().
    static WhisperModels &shared();

    const QString &root() const { return m_root; }
    const QList<WhisperModel> &catalogue() const { return m_catalogue; }
    SerialExecutor &executor() { return m_executor; }

    // Throws AppFailure "请选择有效的转写模型。" for an id neither in the catalogue nor added.
    WhisperModel model(const QString &id) const;
    // The models added from the person's own files (see AddedModels); blocking, small read.
    QList<WhisperModel> added() const;
    // The catalogue, then the added models (the voice detector is neither, but model() knows it).
    QList<WhisperModel> available() const;

    // Copies a model file of the person's own into the folder under a new id (from name, else the
    // file's name), after `check` loaded the copy; on the executor. Nothing is kept on failure.
    QCoro::Task<WhisperModel> add(QString file, QString name, std::function<void(const QString &)> check,
                                  std::stop_token stop = {});
    // Removes an added model; on the executor.
    QCoro::Task<> remove(QString id);
    QUrl url(const WhisperModel &model) const;
    QString installedFile(const WhisperModel &model) const;
    // "." + file name + ".part": where a download of the model collects its bytes, kept after an
    // interruption so the next download continues from its length.
    QString partialFile(const WhisperModel &model) const;

    // Removes the hidden ".part" files in the models folder that no running download holds and that
    // belong to no catalogue model (left by older versions or dropped models). Best effort, blocking.
    void reclaimPartials() const;

    // Size first, then SHA-256 in 1 MiB blocks; the stop token is checked before every block.
    // Blocking: call it on the executor.
    static void verify(const QString &file, const WhisperModel &model, std::stop_token stop = {});

    // Looks the model up and verifies its installed file, on the executor.
    QCoro::Task<WhisperModel> verifyInstalled(QString id, std::stop_token stop);
    // The voice detector this store installs and checks (voiceDetector() unless a test sets another).
    const WhisperModel &detector() const { return m_detector; }
    void setDetector(WhisperModel detector) { m_detector = std::move(detector); }
    // The voice detector's file when it is installed and verified; none otherwise.
    QCoro::Task<std::optional<QString>> verifiedVoiceDetector(std::stop_token stop);

    // Downloads, verifies and installs the model's file; the installed file is replaced only by one
    // that passed verification. The bytes collect in partialFile(), locked while the download runs;
    // a download that finds bytes there asks the hub for the rest only. An interrupted transfer
    // keeps them; a file that fails verification is removed. progress first receives the bytes
    // already there. Call it from a thread with an event loop (the network transfer runs there;
    // file work on the executor).
    QCoro::Task<> download(QString id, std::stop_token stop, Progress progress = {});

private:
    QString m_root;
    QList<WhisperModel> m_catalogue;
    QUrl m_hub;
    WhisperDownloadLimits m_limits;
    WhisperModel m_detector = voiceDetector();
    SerialExecutor m_executor;
};
