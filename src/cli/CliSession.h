#pragma once

#include "cli/TerminalPrompts.h"
#include "library/NativeLibrary.h"
#include "library/Recording.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ParsedCommand;
class Workspace;

// One command's Workspace over the same home library, preferences and credential store as the
// desktop program. It opens the library a command names, finds notes and projects by what the
// person typed, and turns the Workspace's notice and error into output and exit statuses.
class CliSession final {
public:
    explicit CliSession(bool allowCloudOnce = false);
    ~CliSession();
    CliSession(const CliSession &) = delete;
    CliSession &operator=(const CliSession &) = delete;

    Workspace &workspace() { return *m_workspace; }
    TerminalPrompts &prompts() { return m_prompts; }

    // Loads the home library (with "--library DIR": that folder, read-only) and waits for it.
    // Throws CliFailure with the Workspace's error; prints its notice (skipped notes).
    QCoro::Task<> open(std::optional<QString> foreignFolder);
    QCoro::Task<> openHome();

    // Clears the messages, so the next report belongs to the next command.
    void clearMessages();
    // Waits until the Workspace is idle, prints its notice, throws CliFailure with its error.
    QCoro::Task<> settle();
    // Prints the notice and throws the error (no waiting).
    void report();
    // Throws Cancelled once Ctrl-C (or SIGTERM) arrived, so no further change is started.
    static void throwIfInterrupted();

    // A note by its id or by an unambiguous start of it (letter case ignored). Throws CliFailure.
    Recording note(const QString &idOrPrefix) const;
    // A project by id, unambiguous start of an id, or exact name (letter case ignored).
    Project project(const QString &idOrName) const;
    // Makes the note the selected one (commands work on the selection).
    void select(const Recording &recording);

    // The library folder named by "--library", made absolute; nullopt without the option.
    static std::optional<QString> foreignFolder(const ParsedCommand &command);

private:
    TerminalPrompts m_prompts;
    NativeLibrary m_library;
    std::unique_ptr<Workspace> m_workspace;
};

namespace CliText {
// Looks the format up in the interface language, then fills "%@" and "%d" left to right.
QString format(const QString &key, const QStringList &values);
}
