#include "cli/TerminalInput.h"

#include "cli/InterruptWatcher.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QCoroSignal>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Bytes read past the end of a line stay here for the next read.
QByteArray leftover;

// Switches terminal echo off for as long as it lives.
class EchoOff {
public:
    explicit EchoOff(bool active)
    {
        if (!active || ::isatty(STDIN_FILENO) != 1 || ::tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        InterruptWatcher::rememberTerminalState();
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (!m_active)
            return;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
        InterruptWatcher::forgetTerminalState();
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

StdinReader::StdinReader(bool wholeInput, qint64 maxBytes) : m_wholeInput(wholeInput), m_maxBytes(maxBytes) {}

StdinReader::~StdinReader() = default;

void StdinReader::start()
{
    m_data = leftover;
    leftover.clear();
    if (InterruptWatcher *watcher = InterruptWatcher::instance()) {
        if (watcher->wasInterrupted()) {
            QTimer::singleShot(0, this, [this] { finish(false); });
            return;
        }
        connect(watcher, &InterruptWatcher::interrupted, this, [this] { finish(false); });
    }
    if (!m_wholeInput && m_data.contains('\n')) {
        QTimer::singleShot(0, this, [this] { finish(true); });
        return;
    }
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {
        // Closed standard input: nothing will ever arrive, and a notifier on it would never fire.
        QTimer::singleShot(0, this, [this] { finish(false); });
        return;
    }
    // Standard input keeps its blocking mode (it is shared with the shell); the notifier only
    // lets us read when a read will not wait.
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinReader::readAvailable);
}

void StdinReader::readAvailable()
{
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0) {
        if (errno == EINTR || errno == EAGAIN)
            return;
        finish(false);
        return;
    }
    if (count == 0) {
        // End of input: a partial last line still counts as a line.
        finish(m_wholeInput || !m_data.isEmpty());
        return;
    }
    m_data.append(buffer, count);
    if (m_data.size() > m_maxBytes) {
        finish(false);
        return;
    }
    if (!m_wholeInput && m_data.contains('\n'))
        finish(true);
}

void StdinReader::finish(bool succeeded)
{
    if (m_done)
        return;
    m_done = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (!m_wholeInput) {
        const qsizetype newline = m_data.indexOf('\n');
        if (newline >= 0) {
            leftover = m_data.mid(newline + 1);
            m_data.truncate(newline);
        }
        if (m_data.endsWith('\r'))
            m_data.chop(1);
    }
    m_succeeded = succeeded;
    Q_EMIT finished();
}

namespace TerminalInput {

QCoro::Task<std::optional<QString>> readLine(bool hideInput)
{
    EchoOff echo(hideInput);
    StdinReader reader(false, 1 << 20);
    reader.start();
    co_await qCoro(&reader, &StdinReader::finished);
    if (hideInput && ::isatty(STDERR_FILENO) == 1)
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, "\n", 1); // Enter was not echoed
    if (!reader.succeeded())
        co_return std::nullopt;
    co_return QString::fromUtf8(reader.data());
}

QCoro::Task<std::optional<QByteArray>> readAll(qint64 maxBytes)
{
    StdinReader reader(true, maxBytes);
    reader.start();
    co_await qCoro(&reader, &StdinReader::finished);
    if (!reader.succeeded())
        co_return std::nullopt;
    co_return reader.data();
}

} // namespace TerminalInput
