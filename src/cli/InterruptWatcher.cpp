#include "cli/InterruptWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
std::atomic<int> pendingCount{0};
InterruptWatcher *watcher = nullptr;

termios savedTerminal{};
std::atomic<bool> terminalSaved{false};

void onSignal(int signalNumber)
{
    if (pendingCount.fetch_add(1) >= 1) {
        if (terminalSaved.load())
            ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        ::_exit(128 + signalNumber);
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
}

} // namespace

InterruptWatcher::InterruptWatcher()
{
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::readPipe);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

InterruptWatcher &InterruptWatcher::install()
{
    if (!watcher)
        watcher = new InterruptWatcher();
    return *watcher;
}

InterruptWatcher *InterruptWatcher::instance()
{
    return watcher;
}

int InterruptWatcher::exitStatus() const
{
    return m_signal == 0 ? 0 : 128 + m_signal;
}

void InterruptWatcher::readPipe()
{
    unsigned char byte = 0;
    bool received = false;
    while (::read(pipeFds[0], &byte, 1) == 1) {
        if (m_signal == 0)
            m_signal = byte;
        received = true;
    }
    if (received)
        Q_EMIT interrupted();
}

void InterruptWatcher::rememberTerminalState()
{
    if (::tcgetattr(STDIN_FILENO, &savedTerminal) == 0)
        terminalSaved.store(true);
}

void InterruptWatcher::forgetTerminalState()
{
    terminalSaved.store(false);
}
