#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CommandTable.h"
#include "cli/InterruptWatcher.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"

#include <QCoreApplication>
#include <QTimer>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

namespace {

void reportUsageError(const UsageError &error)
{
    CliOutput::error(QStringLiteral("hushnote-cli: %1").arg(error.message()));
    const QString topic = error.command().isEmpty() ? QString() : QLatin1Char(' ') + error.command();
    CliOutput::error(QStringLiteral("Try 'hushnote-cli help%1'.").arg(topic));
}

// Runs the command and turns whatever it threw into a message and an exit status.
QCoro::Task<> runCommand(ParsedCommand command, int *status)
{
    try {
        const CommandTable::Handler handler = CommandTable::handler(command.name);
        *status = co_await handler(command);
    } catch (const UsageError &error) {
        reportUsageError(error);
        *status = ExitStatus::usage;
    } catch (const CliFailure &failure) {
        CliOutput::error(failure.message());
        *status = ExitStatus::failure;
    } catch (const Cancelled &) {
        *status = ExitStatus::interrupted;
    } catch (...) {
        CliOutput::error(describeCurrentError());
        *status = ExitStatus::failure;
    }
    if (const int error = CliOutput::resultWriteError(); error != 0 && *status == ExitStatus::success) {
        CliOutput::error(FileUtil::writeError(error, QStringLiteral("stdout")).description());
        *status = ExitStatus::failure;
    }
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    if (watcher && watcher->wasInterrupted())
        *status = watcher->exitStatus();
    QCoreApplication::exit(*status);
}

// A closed standard stream would be handed to the next file opened (the interrupt pipe, a
// library file) and then read or written by accident: put /dev/null in its place.
void guardStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1)
            continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    guardStandardStreams();
    // The library's notes are decoded on several threads. glibc would give each thread an arena
    // of its own and grow it a few pages at a time, one system call each: a tenth of the time of
    // listing a large library. One arena grows in large steps and ends up smaller.
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication app(argc, argv);
    Invocation invocation;
    try {
        invocation = CliArguments::parse(QCoreApplication::arguments().mid(1), CommandTable::shapes());
    } catch (const UsageError &error) {
        reportUsageError(error);
        return ExitStatus::usage;
    }
    if (invocation.kind == Invocation::Kind::Help) {
        CliOutput::result(CommandTable::help(invocation.helpTopic));
        return ExitStatus::success;
    }
    if (invocation.kind == Invocation::Kind::Version) {
        CliOutput::result(QStringLiteral("hushnote-cli 0.1.0"));
        return ExitStatus::success;
    }

    InterruptWatcher::install();
    int status = ExitStatus::success;
    QCoro::Task<> task;
    QTimer::singleShot(0, &app, [&] { task = runCommand(invocation.command, &status); });
    app.exec();
    return status;
}
