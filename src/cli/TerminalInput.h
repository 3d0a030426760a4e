#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QCoroTask>

#include <optional>

class QSocketNotifier;

// Reads standard input without blocking the event loop, so an interrupt still gets through while
// the program waits for the person (or a pipe) to answer.
namespace TerminalInput {

// One line (without its line break). Absent at end of input, on a read error or on an interrupt.
// With hideInput the terminal does not echo what is typed (an API key).
QCoro::Task<std::optional<QString>> readLine(bool hideInput = false);

// Everything until end of input, at most maxBytes (absent beyond that, on an error or an interrupt).
QCoro::Task<std::optional<QByteArray>> readAll(qint64 maxBytes);

} // namespace TerminalInput

// The reader behind TerminalInput: collects bytes from standard input as they become readable
// and reports once, when its goal (a line, or end of input) is reached.
class StdinReader final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StdinReader)
public:
    StdinReader(bool wholeInput, qint64 maxBytes);
    ~StdinReader() override;

    void start();
    bool succeeded() const { return m_succeeded; }
    QByteArray data() const { return m_data; }

Q_SIGNALS:
    void finished();

private:
    void readAvailable();
    void finish(bool succeeded);

    bool m_wholeInput;
    qint64 m_maxBytes;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_data;
    bool m_done = false;
    bool m_succeeded = false;
};
