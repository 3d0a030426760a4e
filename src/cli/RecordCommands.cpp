#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/InterruptWatcher.h"
#include "cli/ProgressDisplay.h"
#include "library/NativeLibrary.h"
#include "platform/Localization.h"
#include "platform/SoundCapture.h"
#include "recording/LiveTranscription.h"
#include "recording/Recorder.h"
#include "services/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

// "20s", "45m", "1.5h" or plain seconds.
double parseDuration(const ParsedCommand &command)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+(?:\\.\\d+)?)([smh]?)$"));
    const QString text = command.value(QStringLiteral("duration"));
    const QRegularExpressionMatch match = pattern.match(text);
    const double number = match.hasMatch() ? match.captured(1).toDouble() : 0;
    const QString unit = match.captured(2);
    const double seconds = number * (unit == QLatin1String("h") ? 3600 : unit == QLatin1String("m") ? 60 : 1);
    if (!(seconds > 0) || seconds > 43'200)
        throw UsageError(QStringLiteral("--duration takes a length up to 12h, e.g. 20s, 45m or 1h"), command.name);
    return seconds;
}

Recorder::Sources parseSources(const ParsedCommand &command)
{
    const QString source = command.value(QStringLiteral("source"), QStringLiteral("mic"));
    if (source == QLatin1String("mic"))
        return Recorder::Sources::Microphone;
    if (source == QLatin1String("system"))
        return Recorder::Sources::System;
    if (source == QLatin1String("both"))
        return Recorder::Sources::Both;
    throw UsageError(QStringLiteral("--source is mic, system or both"), command.name);
}

int listDevices()
{
    for (const SoundCapture::Source &source : SoundCapture::sources()) {
        CliOutput::result(source.name + QLatin1Char('\t') + (source.monitor ? QStringLiteral("system") : QStringLiteral("mic"))
                          + QLatin1Char('\t') + (source.isDefault ? QStringLiteral("*") : QString()) + QLatin1Char('\t')
                          + source.description);
    }
    return ExitStatus::success;
}

bool wasInterrupted()
{
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    return watcher && watcher->wasInterrupted();
}

} // namespace

namespace RecordCommands {

QCoro::Task<int> record(ParsedCommand command)
{
    if (command.has(QStringLiteral("list-devices")))
        co_return listDevices();
    Recorder::Options options;
    options.sources = parseSources(command);
    options.device = command.value(QStringLiteral("device"));
    const std::optional<double> duration = command.has(QStringLiteral("duration"))
        ? std::optional<double>(parseDuration(command)) : std::nullopt;
    const bool transcribe = command.has(QStringLiteral("transcribe"));

    // With --transcribe, a Workspace over the same library transcribes each finished minute.
    std::optional<CliSession> session;
    if (transcribe) {
        session.emplace(command.has(QStringLiteral("allow-cloud")));
        co_await session->openHome();
    }
    NativeLibrary library;
    Recorder recorder(library);
    ProgressDisplay display;
    QObject guard;
    auto follow = [&] {
        const QString text = L(QStringLiteral("录音中 %@")).replace(QStringLiteral("%@"), timeLabel(recorder.elapsed()));
        display.update(duration ? recorder.elapsed() / *duration : 0, text);
        if (duration && recorder.elapsed() >= *duration)
            recorder.stop();
    };
    QObject::connect(&recorder, &Recorder::elapsedChanged, &guard, follow);
    if (InterruptWatcher *watcher = InterruptWatcher::instance())
        QObject::connect(watcher, &InterruptWatcher::interrupted, &guard, [&] { recorder.stop(); });

    const Recording started = co_await recorder.start(options);
    // The id at once: whoever started the recording can find its note while it runs.
    CliOutput::result(started.id);
    std::fflush(stdout);
    std::optional<LiveTranscription> live;
    if (session)
        live.emplace(session->workspace(), library.root(), recorder, started, SummaryPreferences::load());
    if (wasInterrupted())
        recorder.stop();
    co_await recorder.whenFinished();
    display.finish();
    if (recorder.notice())
        CliOutput::notice(*recorder.notice());
    if (recorder.error())
        CliOutput::error(*recorder.error());
    if (live) {
        Workspace &workspace = session->workspace();
        if (wasInterrupted()) {
            // Ctrl-C stops everything: the chunk in progress is dropped, finished ones stay.
            workspace.stopJob();
            if (workspace.jobID())
                co_await workspace.whenJobEnds();
        } else {
            // What is left, the last partial minute included.
            QObject::connect(&workspace, &Workspace::progressTextChanged, &guard,
                             [&] { display.update(workspace.progress(), workspace.progressText()); });
            co_await live->finish();
            display.finish();
        }
        session->report();
    }
    if (recorder.error())
        co_return ExitStatus::failure;
    co_return wasInterrupted() ? ExitStatus::interrupted : ExitStatus::success;
}

} // namespace RecordCommands
