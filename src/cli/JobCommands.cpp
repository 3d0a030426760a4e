#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/InterruptWatcher.h"
#include "cli/ProgressDisplay.h"
#include "platform/Localization.h"
#include "services/SummaryPreferences.h"
#include "services/SummaryTemplate.h"
#include "workspace/Workspace.h"

#include <QCoroTimer>

#include <chrono>

namespace {

bool wasInterrupted()
{
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    return watcher && watcher->wasInterrupted();
}

// Starts the job on the note and follows it to its end: progress on standard error, a stop
// request on Ctrl-C, then the job's own notice or error.
QCoro::Task<int> runJob(CliSession *session, QString noteID, bool summary, SummaryPreferences preferences)
{
    Workspace &workspace = session->workspace();
    const Recording note = session->note(noteID);
    if (note.deletedAt)
        throw CliFailure(L(QStringLiteral("这条笔记在废纸篓中，请先恢复。")));
    session->select(note);
    session->clearMessages();

    ProgressDisplay display;
    QObject guard;
    auto showProgress = [&] { display.update(workspace.progress(), workspace.progressText()); };
    QObject::connect(&workspace, &Workspace::progressChanged, &guard, showProgress);
    QObject::connect(&workspace, &Workspace::progressTextChanged, &guard, showProgress);
    if (InterruptWatcher *watcher = InterruptWatcher::instance())
        QObject::connect(watcher, &InterruptWatcher::interrupted, &guard, [&] { workspace.stopJob(); });
    // Remembered as it happens: a short job may begin and end between two looks at jobID.
    bool started = false;
    QObject::connect(&workspace, &Workspace::jobIDChanged, &guard, [&] { started = started || workspace.jobID(); });

    CliSession::throwIfInterrupted();
    workspace.startJob(summary, preferences);
    // The consent question may still be open on the terminal; the job begins once it is answered.
    while (session->prompts().isAsking())
        co_await QCoro::sleepFor(std::chrono::milliseconds(20));
    co_await workspace.whenJobEnds();
    display.finish();

    if (!started && !workspace.notice() && !workspace.error()) {
        if (wasInterrupted())
            co_return ExitStatus::interrupted;
        if (session->prompts().declinedWithoutTerminal())
            throw CliFailure(L(QStringLiteral("未发送到云端：没有终端可以确认。确认可以发送后，请加上 --allow-cloud 重新运行。")));
        if (session->prompts().consentDeclined())
            throw CliFailure(L(QStringLiteral("已取消，未发送任何内容。")));
        throw CliFailure(L(QStringLiteral("现在无法开始处理这条笔记。")));
    }
    try {
        session->report();
    } catch (const CliFailure &failure) {
        if (!wasInterrupted())
            throw;
        CliOutput::error(failure.message());
    }
    co_return wasInterrupted() ? ExitStatus::interrupted : ExitStatus::success;
}

} // namespace

namespace JobCommands {

QCoro::Task<int> transcribe(ParsedCommand command)
{
    if (command.positional.size() > 1 || command.has(QStringLiteral("summarize")))
        co_return co_await QueueCommands::transcribe(std::move(command));
    CliSession session(command.has(QStringLiteral("allow-cloud")));
    co_await session.openHome();
    // Arguments of a co_await call are named locals: g++ 12 destroys some temporaries there twice.
    const SummaryPreferences preferences = SummaryPreferences::load();
    const QString noteID = command.positional.first();
    co_return co_await runJob(&session, noteID, false, preferences);
}

QCoro::Task<int> summarize(ParsedCommand command)
{
    SummaryPreferences preferences = SummaryPreferences::load();
    if (command.has(QStringLiteral("template"))) {
        const QString templateID = command.value(QStringLiteral("template"));
        if (!SummaryTemplate::builtin(templateID)) {
            QStringList known;
            for (const SummaryTemplate &candidate : SummaryTemplate::builtins())
                known << candidate.id;
            throw UsageError(QStringLiteral("unknown template '%1' (one of: %2)").arg(templateID, known.join(QStringLiteral(", "))),
                             command.name);
        }
        preferences.templateID = templateID;
    }
    CliSession session(command.has(QStringLiteral("allow-cloud")));
    co_await session.openHome();
    const QString noteID = command.positional.first();
    co_return co_await runJob(&session, noteID, true, preferences);
}

} // namespace JobCommands
