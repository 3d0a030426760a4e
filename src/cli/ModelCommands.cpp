#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/InterruptWatcher.h"
#include "cli/ProgressDisplay.h"
#include "platform/Localization.h"
#include "services/LocalTranscriber.h"
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
    const QList<WhisperModel> added = models.added();
    for (const WhisperModel &model : models.available()) {
        // A quick look at the size only; "model check" does the full verification.
        const QFileInfo file(models.installedFile(model));
        const bool present = file.exists() && file.size() == model.size;
        const QString state = added.contains(model) ? (present ? QStringLiteral("added") : QStringLiteral("added, missing"))
                              : present             ? QStringLiteral("downloaded")
                                                    : QStringLiteral("not downloaded");
        const QString mark = model.id == configured ? QStringLiteral("*") : QStringLiteral("-");
        CliOutput::result(QStringList{model.id, mark, state, model.name}.join(QLatin1Char('\t')));
    }
    co_return ExitStatus::success;
}

QCoro::Task<int> add(ParsedCommand command)
{
    const QString file = command.positional.first();
    const QString helper = LocalTranscriber::defaultExecutable();
    CliOutput::notice(L(QStringLiteral("正在检查模型文件…")));
    // Tasks and functions are named before they are awaited: g++ 12 destroys temporaries in a
    // co_await twice.
    const std::function<void(const QString &)> check = [helper](const QString &copy) {
        LocalTranscriber::checkLoads(helper, copy);
    };
    QCoro::Task<WhisperModel> adding =
        WhisperModels::shared().add(file, command.value(QStringLiteral("name"), QString()), check);
    const WhisperModel model = co_await adding;
    CliOutput::result(model.id);
    co_return ExitStatus::success;
}

QCoro::Task<int> use(ParsedCommand command)
{
    const QString id = command.positional.first();
    QCoro::Task<WhisperModel> verifying = WhisperModels::shared().verifyInstalled(id, {});
    co_await verifying;
    ModelConfiguration configuration = ModelConfiguration::load();
    configuration.asrService = QStringLiteral("whisper");
    configuration.localASRModel = id;
    configuration.save();
    CliOutput::notice(L(QStringLiteral("已切换为本地转写，音频不上传。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> remove(ParsedCommand command)
{
    const QString id = command.positional.first();
    const ModelConfiguration configuration = ModelConfiguration::load();
    if (configuration.localASRModel == id)
        throw CliFailure(L(QStringLiteral("这个模型正在用于本地转写，请先换用其他模型。")));
    QCoro::Task<> removing = WhisperModels::shared().remove(id);
    co_await removing;
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
