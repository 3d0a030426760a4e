// Transcription while recording: a recording of the system's sound (whatever plays into the sound
// server's default output) is transcribed minute by minute while it records, by an engine that
// takes half the audio's length for each chunk (2x real time). Prints the time from the stop to
// the complete transcript against the time the same engine takes for the whole file after the
// fact. The first should be about one chunk's transcription, the second all of them.
// Usage: record_bench [minutes]   (default 10; bench/record.sh starts the sound server)
#include "BenchSupport.h"
#include "library/NativeLibrary.h"
#include "recording/LiveTranscription.h"
#include "recording/Recorder.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QCoroTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using BenchSupport::NoPrompts;
using BenchSupport::spin;

// The closures outlive their coroutines: their captures are read after the first suspension.
template <typename T> T await(QCoro::Task<T> task)
{
    std::optional<T> result;
    auto body = [&]() -> QCoro::Task<> { result.emplace(co_await std::move(task)); };
    QCoro::Task<> driver = body();
    spin([&] { return result.has_value(); });
    return std::move(*result);
}

void await(QCoro::Task<> task)
{
    bool done = false;
    auto body = [&]() -> QCoro::Task<> {
        co_await std::move(task);
        done = true;
    };
    QCoro::Task<> driver = body();
    spin([&] { return done; });
}

// The WAV chunks are 16 kHz mono 16-bit after a 44-byte header.
double secondsOf(const QByteArray &wav)
{
    return double(wav.size() - 44) / 32000.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? QByteArray(argv[1]).toDouble() : 10;
    QTemporaryDir folder;
    const QString root = folder.filePath(QStringLiteral("Library"));
    NoPrompts prompts;
    JobServices services;
    services.configurationProvider = [] {
        ModelConfiguration configuration;
        configuration.asrService = QStringLiteral("whisper");
        return configuration;
    };
    int chunks = 0;
    services.localTranscribe = [&chunks](QByteArray wav, QString, std::stop_token) -> QCoro::Task<QString> {
        ++chunks;
        const auto busy = std::chrono::milliseconds(qint64(secondsOf(wav) * 500));
        co_await QCoro::sleepFor(busy);
        co_return QStringLiteral("这一分钟里大家讨论了下一步的安排和负责人。");
    };
    NativeLibrary workspaceLibrary(root);
    Workspace workspace(workspaceLibrary, prompts, services, true);
    spin([&] { return !workspace.loading(); });

    NativeLibrary library(root);
    Recorder recorder(library);
    Recorder::Options options;
    options.sources = Recorder::Sources::System;
    Recording started;
    try {
        started = await(recorder.start(options));
    } catch (const std::exception &) {
        std::fprintf(stderr, "could not start recording (is a sound server running? bench/record.sh starts one)\n");
        return 1;
    }
    LiveTranscription live(workspace, root, recorder, started, SummaryPreferences());
    std::fprintf(stderr, "recording %.1f minutes of the system's sound…\n", minutes);
    spin([&] { return recorder.elapsed() >= minutes * 60; });
    const int chunksBeforeStop = chunks;
    QElapsedTimer clock;
    clock.start();
    recorder.stop();
    const Recording saved = await(recorder.whenFinished());
    const qint64 savedNs = clock.nsecsElapsed();
    await(live.finish());
    const qint64 afterStopNs = clock.nsecsElapsed();
    const Recording transcribed = workspaceLibrary.loadHomeNow().recordings.front();
    if (workspace.error() || transcribed.status != QStringLiteral("transcribed")) {
        std::fprintf(stderr, "the transcription did not complete: %s\n", qPrintable(workspace.error().value_or(transcribed.status.value_or(QString()))));
        return 1;
    }

    // The reference: the same engine over the whole recording after the fact.
    Recording again = transcribed;
    again.segments.clear();
    again.completedChunks = 0;
    again.status = QStringLiteral("ready");
    workspaceLibrary.saveNow(transcribed, again);
    workspace.loadHome();
    spin([&] { return !workspace.loading(); });
    workspace.setSelectedID(again.id);
    const int chunksBeforeReference = chunks;
    QElapsedTimer reference;
    reference.start();
    workspace.startJob(false, SummaryPreferences());
    spin([&] { return !workspace.jobID(); });
    const qint64 referenceNs = reference.nsecsElapsed();

    std::printf("recorded: %.1f s, %d chunks (%d begun before the stop, %d after it)\n", saved.duration,
                chunksBeforeReference, chunksBeforeStop, chunksBeforeReference - chunksBeforeStop);
    std::printf("stop to saved note: %.2f s\n", double(savedNs) / 1e9);
    std::printf("stop to complete transcript: %.2f s\n", double(afterStopNs) / 1e9);
    std::printf("the same engine over the whole file after the fact: %.2f s (%d chunks)\n", double(referenceNs) / 1e9,
                chunks - chunksBeforeReference);
    std::printf("after stop / after the fact = %.3f\n", double(afterStopNs) / double(referenceNs));
    return 0;
}
