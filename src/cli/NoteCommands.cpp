#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "library/NoteExport.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QCoroTimer>
#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace {

// Runs one organizing change unless the note already is the way the command wants it, so
// "star" on a starred note never unstars it.
QCoro::Task<> applyChange(CliSession *session, Recording recording, OrganizeChange change)
{
    Recording changed = recording;
    change.apply(changed);
    if (changed == recording)
        co_return;
    session->clearMessages();
    session->workspace().organize(recording.id, change);
    co_await session->settle();
}

QString trimmedSpeaker(const QString &name)
{
    return name.trimmed();
}

// The edits named on the command line, applied to a copy of the note.
Recording editedCopy(const Recording &recording, const ParsedCommand &command)
{
    Recording edited = recording;
    if (command.has(QStringLiteral("title")))
        edited.title = command.value(QStringLiteral("title"));
    for (const QStringList &rename : command.occurrences(QStringLiteral("rename-speaker"))) {
        const QString &from = rename.at(0);
        const QString to = trimmedSpeaker(rename.at(1));
        if (to.isEmpty())
            throw CliFailure(L(QStringLiteral("请输入说话人姓名。")));
        int count = 0;
        for (Segment &segment : edited.segments) {
            if (segment.speaker == from) {
                segment.speaker = to;
                ++count;
            }
        }
        if (count == 0)
            throw CliFailure(CliText::format(QStringLiteral("没有说话人为 %@ 的段落。"), {from}));
    }
    return edited;
}

NoteExportFormat exportFormat(const ParsedCommand &command, const QString &output)
{
    if (command.has(QStringLiteral("format"))) {
        const QString name = command.value(QStringLiteral("format"));
        if (const std::optional<NoteExportFormat> format = NoteExport::formatNamed(name))
            return *format;
        throw UsageError(QStringLiteral("--format must be txt, md, srt or vtt"), command.name);
    }
    // Without --format the output's extension decides; anything else is plain text.
    return NoteExport::formatNamed(QFileInfo(output).suffix()).value_or(NoteExportFormat::Text);
}

// Waits for the export's report; it writes on the main thread, so this normally returns at once.
QCoro::Task<> exportReported(Workspace *workspace)
{
    while (!workspace->notice() && !workspace->error())
        co_await QCoro::sleepFor(std::chrono::milliseconds(10));
}

} // namespace

namespace NoteCommands {

QCoro::Task<int> organize(ParsedCommand command)
{
    CliSession session;
    co_await session.openHome();
    const Recording recording = session.note(command.positional.first());
    OrganizeChange change = OrganizeChange::trash();
    if (command.name == QLatin1String("star") || command.name == QLatin1String("unstar")) {
        const bool wanted = command.name == QLatin1String("star");
        if (recording.starred.value_or(false) == wanted)
            co_return ExitStatus::success;
        change = OrganizeChange::toggleStar();
    } else if (command.name == QLatin1String("trash")) {
        if (recording.deletedAt)
            co_return ExitStatus::success;
    } else {
        change = OrganizeChange::restore();
    }
    co_await applyChange(&session, recording, change);
    co_return ExitStatus::success;
}

QCoro::Task<int> move(ParsedCommand command)
{
    const bool none = command.has(QStringLiteral("none"));
    if (none == (command.positional.size() == 2))
        throw UsageError(QStringLiteral("move needs either a PROJECT_ID or --none"), command.name);
    CliSession session;
    co_await session.openHome();
    const Recording recording = session.note(command.positional.first());
    const OrganizeChange change = none ? OrganizeChange::takeOutOfProject()
                                       : OrganizeChange::moveToProject(session.project(command.positional.at(1)).id);
    co_await applyChange(&session, recording, change);
    co_return ExitStatus::success;
}

QCoro::Task<int> createProject(ParsedCommand command)
{
    const QString name = command.positional.first().trimmed();
    if (name.isEmpty())
        throw CliFailure(L(QStringLiteral("项目名称不能为空。")));
    CliSession session;
    co_await session.openHome();
    session.workspace().createProject(name);
    co_await session.settle();
    for (const Project &project : session.workspace().projects()) {
        if (project.name == name) {
            CliOutput::result(project.id);
            co_return ExitStatus::success;
        }
    }
    throw CliFailure(L(QStringLiteral("未能创建项目。")));
}

QCoro::Task<int> renameProject(ParsedCommand command)
{
    CliSession session;
    co_await session.openHome();
    const Project project = session.project(command.positional.at(0));
    co_await session.workspace().renameProject(project.id, command.positional.at(1));
    session.report();
    co_return ExitStatus::success;
}

QCoro::Task<int> edit(ParsedCommand command)
{
    if (!command.has(QStringLiteral("title")) && !command.has(QStringLiteral("rename-speaker")))
        throw UsageError(QStringLiteral("edit needs --title or --rename-speaker"), command.name);
    CliSession session;
    co_await session.openHome();
    const Recording edited = editedCopy(session.note(command.positional.first()), command);
    co_await session.workspace().saveEdits(edited);
    session.report();
    co_return ExitStatus::success;
}

QCoro::Task<int> exportNote(ParsedCommand command)
{
    const bool summary = command.has(QStringLiteral("summary"));
    if (summary == command.has(QStringLiteral("transcript")))
        throw UsageError(QStringLiteral("export needs exactly one of --transcript and --summary"), command.name);
    const QString output = command.value(QStringLiteral("output"), QStringLiteral("-"));
    const NoteExportFormat format = exportFormat(command, output);
    if (summary && NoteExport::isSubtitle(format))
        throw UsageError(QStringLiteral("subtitles (srt, vtt) are made of the transcript: use --transcript"), command.name);

    CliSession session;
    const std::optional<QString> folder = CliSession::foreignFolder(command);
    co_await session.open(folder);
    const Recording recording = session.note(command.positional.first());
    if (output == QLatin1String("-")) {
        CliOutput::resultBytes(NoteExport::render(recording, summary, format).toUtf8());
        co_return ExitStatus::success;
    }
    // A folder gets the name the desktop program would propose.
    QString path = QFileInfo(output).absoluteFilePath();
    if (QFileInfo(path).isDir())
        path = QDir(path).filePath(NoteExport::filename(recording, summary, format));
    session.prompts().setChosenPath(QDir::cleanPath(path));
    session.select(recording);
    session.clearMessages();
    session.workspace().exportText(summary, format);
    co_await exportReported(&session.workspace());
    session.report();
    CliOutput::result(QDir::cleanPath(path));
    co_return ExitStatus::success;
}

} // namespace NoteCommands
