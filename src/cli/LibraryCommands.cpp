#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/InterruptWatcher.h"
#include "cli/NoteJson.h"
#include "library/RecordCodec.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFileInfo>

namespace {

LibraryScope parseScope(const ParsedCommand &command, const CliSession &session)
{
    const QString text = command.value(QStringLiteral("scope"), QStringLiteral("all"));
    if (text == QLatin1String("all"))
        return LibraryScope::all();
    if (text == QLatin1String("pinned"))
        return LibraryScope::pinned();
    if (text == QLatin1String("trash"))
        return LibraryScope::trash();
    if (text.startsWith(QLatin1String("project:")) && text.size() > 8)
        return LibraryScope::project(session.project(text.mid(8)).id);
    throw UsageError(QStringLiteral("--scope must be all, pinned, trash or project:ID"), command.name);
}

// One field of a tab-separated line: a tab or line break inside a title would split the record.
QString field(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString listLine(const Recording &recording)
{
    const QString mark = recording.starred.value_or(false) ? QStringLiteral("*") : QStringLiteral("-");
    return QStringList{recording.id, recording.createdAt, timeLabel(recording.duration),
                       field(recording.status.value_or(QStringLiteral("ready"))), mark, field(recording.title)}
        .join(QLatin1Char('\t'));
}

bool interrupted()
{
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    return watcher && watcher->wasInterrupted();
}

} // namespace

namespace LibraryCommands {

QCoro::Task<int> list(ParsedCommand command)
{
    CliSession session;
    const std::optional<QString> folder = CliSession::foreignFolder(command);
    co_await session.open(folder);
    Workspace &workspace = session.workspace();
    workspace.setScope(parseScope(command, session));
    workspace.setQuery(command.value(QStringLiteral("query")));
    workspace.filter();
    if (command.has(QStringLiteral("json"))) {
        CliOutput::resultBytes(NoteJson::array(workspace.filtered()));
        co_return ExitStatus::success;
    }
    for (const Recording &recording : workspace.filtered())
        CliOutput::result(listLine(recording));
    co_return ExitStatus::success;
}

QCoro::Task<int> projects(ParsedCommand command)
{
    CliSession session;
    const std::optional<QString> folder = CliSession::foreignFolder(command);
    co_await session.open(folder);
    Workspace &workspace = session.workspace();
    if (command.has(QStringLiteral("json"))) {
        CliOutput::result(QString::fromUtf8(RecordCodec::encodeProjects(workspace.projects())));
        co_return ExitStatus::success;
    }
    for (const Project &project : workspace.projects())
        CliOutput::result(QStringList{project.id, QString::number(workspace.projectCount(project.id)), field(project.name)}
                              .join(QLatin1Char('\t')));
    co_return ExitStatus::success;
}

QCoro::Task<int> show(ParsedCommand command)
{
    CliSession session;
    const std::optional<QString> folder = CliSession::foreignFolder(command);
    co_await session.open(folder);
    CliOutput::resultBytes(NoteJson::document(session.note(command.positional.first())));
    co_return ExitStatus::success;
}

QCoro::Task<int> importFiles(ParsedCommand command)
{
    CliSession session;
    co_await session.openHome();
    Workspace &workspace = session.workspace();
    int status = ExitStatus::success;
    for (const QString &file : command.positional) {
        if (interrupted())
            break;
        session.clearMessages();
        workspace.importAudio(QDir::cleanPath(QFileInfo(file).absoluteFilePath()));
        try {
            co_await session.settle();
        } catch (const CliFailure &failure) {
            // One bad file does not stop the others; the exit status still reports it.
            CliOutput::error(failure.message());
            status = ExitStatus::failure;
            continue;
        }
        if (const std::optional<QString> id = workspace.selectedID())
            CliOutput::result(*id);
    }
    co_return status;
}

QCoro::Task<int> copy(ParsedCommand command)
{
    const std::optional<QString> folder = CliSession::foreignFolder(command);
    if (!folder)
        throw UsageError(QStringLiteral("copy needs --library DIR (the library to copy from)"), command.name);
    CliSession session;
    co_await session.open(folder);
    const Recording source = session.note(command.positional.first());
    if (!source.audioURL)
        throw CliFailure(L(QStringLiteral("这条笔记没有可复制的录音。")));
    session.select(source);
    session.clearMessages();
    session.workspace().copySelected();
    co_await session.settle();
    const std::optional<QString> copyID = session.workspace().selectedID();
    if (!session.workspace().isManaged() || !copyID || *copyID == source.id)
        throw CliFailure(L(QStringLiteral("未能复制到我的资料库。")));
    CliOutput::result(*copyID);
    co_return ExitStatus::success;
}

} // namespace LibraryCommands
