#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <stdexcept>

// A mistake in how the program was called: exit status 2, with the message and a hint to --help.
class UsageError : public std::exception {
public:
    explicit UsageError(QString message, QString command = {})
        : m_message(std::move(message)), m_command(std::move(command)) {}
    const QString &message() const { return m_message; }
    // The command whose usage should be suggested; empty for the program as a whole.
    const QString &command() const { return m_command; }
    const char *what() const noexcept override { return "usage error"; }

private:
    QString m_message;
    QString m_command;
};

// One option a command accepts: "--name" followed by `arity` values (0 for a flag).
struct OptionSpec {
    QString name;      // without the dashes
    int arity = 0;
    bool repeatable = false;
    QString shortName; // single letter without the dash, optional
    QString valueNames; // for the usage text, e.g. "DIR" or "FROM TO"
    QString help;
};

// The shape of one command: its words ("project create"), its positional arguments and options.
struct CommandShape {
    QString name;
    QString positionalNames; // for the usage text, e.g. "ID" or "FILE..."
    int minPositional = 0;
    int maxPositional = 0;   // -1: no upper bound
    QList<OptionSpec> options;
    QString summary;
};

// What the command line asked for, after it was checked against the command's shape.
class ParsedCommand {
public:
    QString name;
    QStringList positional;

    bool has(const QString &option) const { return m_options.contains(option); }
    // The single value of an option, or the fallback when it was not given.
    QString value(const QString &option, const QString &fallback = {}) const;
    // Every occurrence of an option, each with its values, in command-line order.
    QList<QStringList> occurrences(const QString &option) const { return m_options.value(option); }
    void add(const QString &option, QStringList values) { m_options[option].append(std::move(values)); }

private:
    QMap<QString, QList<QStringList>> m_options;
};

// What the first arguments asked for before any command ran.
struct Invocation {
    enum class Kind { Run, Help, Version };
    Kind kind = Kind::Run;
    ParsedCommand command;
    QString helpTopic; // for Help: a command name, or empty for the program
};

namespace CliArguments {

// Splits the arguments (without the program name) into a command and its options. Throws
// UsageError for an unknown command or option, a missing value, or a wrong number of arguments.
Invocation parse(const QStringList &arguments, const QList<CommandShape> &shapes);

// The usage line of one command, e.g. "hushnote-cli show ID [--library DIR]".
QString synopsis(const CommandShape &shape);
// The full help of one command: synopsis, summary and its options.
QString commandHelp(const CommandShape &shape);

} // namespace CliArguments
