#include "cli/CliSession.h"

#include "cli/CliArguments.h"
#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "processing/DefaultJobServices.h"
#include "cli/InterruptWatcher.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFileInfo>

namespace CliText {

QString format(const QString &key, const QStringList &values)
{
    const QString pattern = L(key);
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern.at(i) == QLatin1Char('%') && i + 1 < pattern.size()
            && (pattern.at(i + 1) == QLatin1Char('@') || pattern.at(i + 1) == QLatin1Char('d'));
        if (placeholder && next < values.size()) {
            result += values.at(next++);
            ++i;
        } else {
            result += pattern.at(i);
        }
    }
    return result;
}

} // namespace CliText

CliSession::CliSession(bool allowCloudOnce)
    : m_prompts(allowCloudOnce)
    , m_workspace(std::make_unique<Workspace>(m_library, m_prompts, DefaultJobServices::jobServices(), false))
{
}

CliSession::~CliSession() = default;

std::optional<QString> CliSession::foreignFolder(const ParsedCommand &command)
{
    if (!command.has(QStringLiteral("library")))
        return std::nullopt;
    const QString folder = command.value(QStringLiteral("library"));
    if (folder.isEmpty())
        throw UsageError(QStringLiteral("--library needs a folder"), command.name);
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QCoro::Task<> CliSession::open(std::optional<QString> foreignFolder)
{
    clearMessages();
    if (foreignFolder)
        m_workspace->openLibrary(*foreignFolder);
    else
        m_workspace->loadHome();
    co_await settle();
    // Ctrl-C while the library was being read: stop before anything is changed.
    throwIfInterrupted();
}

void CliSession::throwIfInterrupted()
{
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    if (watcher && watcher->wasInterrupted())
        throw Cancelled();
}

QCoro::Task<> CliSession::openHome()
{
    const std::optional<QString> home;
    co_await open(home);
}

void CliSession::clearMessages()
{
    m_workspace->setNotice(std::nullopt);
    m_workspace->setError(std::nullopt);
}

QCoro::Task<> CliSession::settle()
{
    co_await m_workspace->whenIdle();
    report();
}

void CliSession::report()
{
    const std::optional<QString> notice = m_workspace->notice();
    const std::optional<QString> error = m_workspace->error();
    clearMessages();
    if (notice && !notice->isEmpty())
        CliOutput::notice(*notice);
    if (error && !error->isEmpty())
        throw CliFailure(*error);
}

Recording CliSession::note(const QString &idOrPrefix) const
{
    const QString wanted = idOrPrefix.trimmed();
    const std::vector<Recording> &records = m_workspace->records();
    for (const Recording &recording : records) {
        if (recording.id == wanted)
            return recording;
    }
    const Recording *match = nullptr;
    if (!wanted.isEmpty()) {
        for (const Recording &recording : records) {
            if (!recording.id.startsWith(wanted, Qt::CaseInsensitive))
                continue;
            if (match)
                throw CliFailure(CliText::format(QStringLiteral("有多条笔记的编号以 %@ 开头，请写得更完整。"), {wanted}));
            match = &recording;
        }
    }
    if (!match)
        throw CliFailure(CliText::format(QStringLiteral("找不到这条笔记：%@"), {wanted}));
    return *match;
}

Project CliSession::project(const QString &idOrName) const
{
    const QString wanted = idOrName.trimmed();
    const std::vector<Project> &projects = m_workspace->projects();
    for (const Project &candidate : projects) {
        if (candidate.id == wanted)
            return candidate;
    }
    const Project *match = nullptr;
    int matches = 0;
    if (!wanted.isEmpty()) {
        for (const Project &candidate : projects) {
            if (candidate.id.startsWith(wanted, Qt::CaseInsensitive)
                || candidate.name.compare(wanted, Qt::CaseInsensitive) == 0) {
                if (!match || match->id != candidate.id)
                    ++matches;
                match = &candidate;
            }
        }
    }
    if (matches > 1)
        throw CliFailure(CliText::format(QStringLiteral("有多个项目符合 %@，请写出完整的项目编号。"), {wanted}));
    if (!match)
        throw CliFailure(CliText::format(QStringLiteral("找不到这个项目：%@"), {wanted}));
    return *match;
}

void CliSession::select(const Recording &recording)
{
    m_workspace->setSelectedID(recording.id);
}
