#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/InterruptWatcher.h"
#include "cli/ProgressDisplay.h"
#include "services/ModelConfiguration.h"
#include "services/WhisperDownloadState.h"
#include "services/WhisperModels.h"

#include <QCoroSignal>
#include <QFileInfo>

namespace {

// Runs one download or check through the same state object the settings screen uses, with its
// messages, and a progress bar while bytes arrive.
QCoro::Task<int> runModelTask(QString id, bool download)
{
    WhisperDownloadState &state = WhisperDownloadState::shared();
    ProgressDisplay display;
    QObject guard;
    auto showProgress = [&] {
        const double fraction = state.totalBytes() > 0 ? double(state.receivedBytes()) / double(state.totalBytes()) : 0;
        display.update(state.downloading() ? fraction : 1.0, state.message());
    };
    QObject::connect(&state, &WhisperDownloadState::receivedBytesChanged, &guard, showProgress);
    QObject::connect(&state, &WhisperDownloadState::messageChanged, &guard, showProgress);
    if (InterruptWatcher *watcher = InterruptWatcher::instance())
        QObject::connect(watcher, &InterruptWatcher::interrupted, &guard, [&state] { state.cancel(); });

    state.run(id, download);
    while (state.busy())
        co_await qCoro(&state, &WhisperDownloadState::busyChanged);
    display.finish();

    const InterruptWatcher *watcher = InterruptWatcher::instance();
    if (watcher && watcher->wasInterrupted()) {
        CliOutput::notice(state.message());
        co_return watcher->exitStatus();
    }
    if (state.readyID() != id)
        throw CliFailure(state.message());
    CliOutput::notice(state.message());
    co_return ExitStatus::success;
}

} // namespace

namespace ModelCommands {

QCoro::Task<int> list(ParsedCommand)
{
    WhisperModels &models = WhisperModels::shared();
    const QString configured = ModelConfiguration::load().localASRModel;
    models.reclaimPartials();
    for (const WhisperModel &model : models.catalogue()) {
        // A quick look at the size only; "model check" does the full verification.
        const QFileInfo file(models.installedFile(model));
        const QString state = file.exists() && file.size() == model.size ? QStringLiteral("downloaded")
                                                                       : QStringLiteral("not downloaded");
        const QString mark = model.id == configured ? QStringLiteral("*") : QStringLiteral("-");
        CliOutput::result(QStringList{model.id, mark, state, model.name}.join(QLatin1Char('\t')));
    }
    co_return ExitStatus::success;
}

QCoro::Task<int> check(ParsedCommand command)
{
    co_return co_await runModelTask(command.positional.first(), false);
}

QCoro::Task<int> download(ParsedCommand command)
{
    co_return co_await runModelTask(command.positional.first(), true);
}

} // namespace ModelCommands
