#pragma once

#include <QString>
#include <exception>

// Exit statuses of the command line.
namespace ExitStatus {
inline constexpr int success = 0;
inline constexpr int failure = 1;     // a failure reported by the program, with its message
inline constexpr int usage = 2;       // the program was called wrongly
inline constexpr int interrupted = 130;
}

// A failure the command line reports itself; the message is already in the interface language.
class CliFailure : public std::exception {
public:
    explicit CliFailure(QString message) : m_message(std::move(message)) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return "command failed"; }

private:
    QString m_message;
};
