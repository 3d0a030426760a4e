// A whole transcription job on a 12-hour note with an instant engine: real decoding of every
// 60-second window, a real save after every chunk. Prints the total, the time per chunk at the
// start and at the end of the note (it must not grow with the segments already saved), and the
// ratio to ffmpeg decoding the same file once from end to end.
// Usage: job_bench [hours]   (default 12)
#include "BenchSupport.h"
#include "library/NativeLibrary.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using BenchSupport::NoPrompts;
using BenchSupport::spin;

bool runFFmpeg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                                        QStringLiteral("-y")} + arguments);
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

double average(const std::vector<qint64> &values, size_t from, size_t to)
{
    if (to <= from)
        return 0;
    qint64 sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += values[i];
    return double(sum) / double(to - from);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double hours = argc > 1 ? QByteArray(argv[1]).toDouble() : 12;
    const double seconds = hours * 3600;
    QTemporaryDir folder;
    const QString shortAudio = folder.filePath(QStringLiteral("short.flac"));
    const QString longAudio = folder.filePath(QStringLiteral("long.flac"));
    if (!runFFmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000", "-t", "1", shortAudio})
        || !runFFmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=8000", "-t", QString::number(seconds),
                       longAudio})) {
        std::fprintf(stderr, "ffmpeg could not make the audio\n");
        return 1;
    }

    // A note imported from a short file, then given the long audio and its length, as if a
    // 12-hour recording had been imported.
    NativeLibrary library(folder.filePath(QStringLiteral("Library")));
    NoPrompts prompts;
    JobServices services;
    services.configurationProvider = [] {
        ModelConfiguration configuration;
        configuration.asrService = QStringLiteral("whisper");
        return configuration;
    };
    services.localTranscribe = [](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        co_return QStringLiteral("这一分钟里大家讨论了下一步的安排和负责人。");
    };
    Workspace workspace(library, prompts, services, true);
    spin([&] { return !workspace.loading(); });
    bool imported = false;
    Recording note;
    // The closure outlives the coroutine: its captures are read after the first suspension.
    auto importer = [&]() -> QCoro::Task<> {
        QCoro::Task<Recording> importing = library.importAudio(shortAudio, std::nullopt);
        note = co_await importing;
        imported = true;
    };
    QCoro::Task<> importing = importer();
    spin([&] { return imported; });
    note = library.loadHomeNow().recordings.front();
    const QString audioCopy = note.audioURL.value_or(QString());
    if (audioCopy.isEmpty() || !QFile::remove(audioCopy) || !QFile::copy(longAudio, audioCopy)) {
        std::fprintf(stderr, "could not replace the note's audio\n");
        return 1;
    }
    const Recording asImported = note;
    note.duration = seconds;
    library.saveNow(asImported, note);
    workspace.loadHome();
    spin([&] { return !workspace.loading(); });
    workspace.setSelectedID(note.id);

    std::vector<qint64> chunkStarts;
    QElapsedTimer clock;
    QObject::connect(&workspace, &Workspace::progressTextChanged, [&] { chunkStarts.push_back(clock.nsecsElapsed()); });
    clock.start();
    workspace.startJob(false, SummaryPreferences());
    spin([&] { return !workspace.jobID(); });
    const qint64 totalNs = clock.nsecsElapsed();
    if (workspace.error()) {
        std::fprintf(stderr, "job failed: %s\n", qPrintable(*workspace.error()));
        return 1;
    }

    // Per-chunk times: between consecutive chunk texts (the first text is the preparing one).
    std::vector<qint64> perChunk;
    for (size_t i = 2; i < chunkStarts.size(); ++i)
        perChunk.push_back(chunkStarts[i] - chunkStarts[i - 1]);
    const size_t window = std::min<size_t>(60, perChunk.size() / 2);

    // The store's share: one save of the finished note, and of the same note with few segments.
    const Recording stored = library.loadHomeNow().recordings.front();
    Recording finished = stored;
    const auto timeSaves = [&](const Recording &recording) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 10; ++i)
            library.saveNow(stored, recording);
        return double(timer.nsecsElapsed()) / 10e6;
    };
    const double fullSaveMs = timeSaves(finished);
    const size_t segmentCount = finished.segments.size();
    finished.segments.resize(std::min<size_t>(10, segmentCount));
    const double smallSaveMs = timeSaves(finished);

    QElapsedTimer reference;
    reference.start();
    runFFmpeg({"-i", longAudio, "-ar", "16000", "-ac", "1", "-f", "null", "-"});
    const qint64 referenceNs = reference.nsecsElapsed();

    const double firstMs = average(perChunk, 0, window) / 1e6;
    const double lastMs = average(perChunk, perChunk.size() - window, perChunk.size()) / 1e6;
    std::printf("chunks: %zu (%.1f hours)\n", perChunk.size(), hours);
    std::printf("job total: %.2f s (target: well under 60 s for 12 hours)\n", double(totalNs) / 1e9);
    std::printf("per chunk: first %zu %.2f ms, last %zu %.2f ms, growth %.2f ms\n", window, firstMs, window, lastMs,
                lastMs - firstMs);
    std::printf("one save: %.2f ms with %zu segments, %.2f ms with %zu\n", fullSaveMs, segmentCount, smallSaveMs,
                finished.segments.size());
    std::printf("ffmpeg decoding the whole file once: %.2f s; job / ffmpeg = %.2f\n", double(referenceNs) / 1e9,
                double(totalNs) / double(referenceNs));
    return 0;
}
