#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread. The signal handler itself only
// writes one byte into a pipe (nothing else is safe there); a socket notifier reads it back in
// the event loop. A second interrupt while the first is still being handled ends the process at
// once with the interrupt's exit status: every library write is atomic, so nothing is torn.
class InterruptWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InterruptWatcher)
public:
    // Installs the handlers; call once, after the application object exists.
    static InterruptWatcher &install();
    static InterruptWatcher *instance();

    bool wasInterrupted() const { return m_signal != 0; }
    // 130 for SIGINT, 143 for SIGTERM; 0 when no interrupt arrived.
    int exitStatus() const;

    // Terminal settings to put back if the process is ended by a second interrupt (a prompt that
    // switched echo off must not leave the terminal silent).
    static void rememberTerminalState();
    static void forgetTerminalState();

Q_SIGNALS:
    void interrupted();

private:
    InterruptWatcher();
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_signal = 0;
};
