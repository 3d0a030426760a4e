#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A PulseAudio daemon of the test's own, with its own runtime folder and home, and two null sinks:
// "speakers" (the default output; its monitor is what the computer plays) and "room" (its monitor
// is the default source, standing in for a microphone). Sound played into a sink with paplay comes
// back from its monitor. This process is pointed at the daemon; children get environment().
class PrivateSoundServer final {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;

    // Empty when the server runs; otherwise why it does not (pulseaudio not installed).
    const QString &skipReason() const { return m_skipReason; }
    QProcessEnvironment environment() const;

    // Plays a file into the sink and waits until it has been played.
    void play(const QString &file, const QString &sink) const;
    // Starts playing without waiting (the process is returned running).
    void startPlaying(QProcess &player, const QString &file, const QString &sink) const;

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_skipReason;
};
