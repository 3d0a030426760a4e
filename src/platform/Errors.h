#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <string>

// The application's own failure: a Simplified-Chinese message that is also its localization key.
// It is described in the interface language at the moment the description is asked for.
class AppFailure : public std::exception {
public:
    explicit AppFailure(QString message) : m_message(std::move(message)) {}
    // A message that is a format ("钥匙串保存失败（%d）。"): the key is translated first, then each
    // "%d" or "%@" is filled with the next argument; the suffix is appended untranslated after one space.
    AppFailure(QString message, QStringList arguments, QString suffix = {})
        : m_message(std::move(message)), m_arguments(std::move(arguments)), m_suffix(std::move(suffix)) {}
    const QString &message() const { return m_message; }
    const QStringList &arguments() const { return m_arguments; }
    const QString &suffix() const { return m_suffix; }
    QString description() const;
    const char *what() const noexcept override;

private:
    QString m_message;
    QStringList m_arguments;
    QString m_suffix;
    mutable std::string m_what;
};

// A failure reported by the platform (errno, QFile, FFmpeg, the network) with its own description.
class SystemError : public std::exception {
public:
    explicit SystemError(QString description, int code = 0)
        : m_description(std::move(description)), m_code(code) {}
    const QString &description() const { return m_description; }
    int code() const { return m_code; }
    const char *what() const noexcept override;

    // errno text for the given code (or the current errno), prefixed by context when given.
    static SystemError fromErrno(int code, const QString &context = {});

private:
    QString m_description;
    int m_code;
    mutable std::string m_what;
};

// Cooperative cancellation reached the operation.
class Cancelled : public std::exception {
public:
    const char *what() const noexcept override { return "cancelled"; }
};

// The user-visible description of whatever was thrown: AppFailure localizes, SystemError keeps its
// own text, anything else falls back to what().
QString describeError(std::exception_ptr error);
QString describeCurrentError();
