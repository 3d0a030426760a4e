#include "support/PrivateSoundServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>

PrivateSoundServer::PrivateSoundServer()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("paplay")).isEmpty()) {
        m_skipReason = QStringLiteral("pulseaudio and paplay are not installed (scripts/setup installs them)");
        return;
    }
    const QString runtime = m_folder.filePath(QStringLiteral("runtime"));
    const QString socket = runtime + QStringLiteral("/native");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile script(m_folder.filePath(QStringLiteral("server.pa")));
    if (!script.open(QIODevice::WriteOnly)) {
        m_skipReason = QStringLiteral("cannot write the server's script");
        return;
    }
    script.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                                "load-module module-null-sink sink_name=speakers\n"
                                "load-module module-null-sink sink_name=room\n"
                                "set-default-sink speakers\n"
                                "set-default-source room.monitor\n")
                     .arg(socket)
                     .toUtf8());
    script.close();

    // Every client of this process and its children talks to this server only.
    ::setenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + socket).constData(), 1);
    // Off the session bus: a second test's daemon would find the server's bus name taken and quit.
    QProcessEnvironment daemonEnvironment = environment();
    daemonEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    m_daemon.setProcessEnvironment(daemonEnvironment);
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("-F"), script.fileName(), QStringLiteral("--daemonize=no"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--disable-shm=yes"), QStringLiteral("--log-target=stderr"),
                    QStringLiteral("--log-level=error")});
    if (!m_daemon.waitForStarted()) {
        m_skipReason = QStringLiteral("pulseaudio did not start");
        return;
    }
    // Ready once a client gets its answer; a daemon that gave up has exited.
    for (;;) {
        QProcess info;
        info.setProcessEnvironment(environment());
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        info.waitForFinished(-1);
        if (info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0)
            return;
        // Also the pause between two looks: true once the daemon has given up.
        if (m_daemon.waitForFinished(50)) {
            ADD_FAILURE() << "the private pulseaudio exited at start";
            m_skipReason = QStringLiteral("pulseaudio exited at start");
            return;
        }
    }
}

PrivateSoundServer::~PrivateSoundServer()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(-1);
    }
}

QProcessEnvironment PrivateSoundServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("HOME"), m_folder.path());
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_folder.filePath(QStringLiteral("runtime/native")));
    return env;
}

void PrivateSoundServer::startPlaying(QProcess &player, const QString &file, const QString &sink) const
{
    player.setProcessEnvironment(environment());
    player.start(QStringLiteral("paplay"), {QStringLiteral("-d"), sink, file});
    ASSERT_TRUE(player.waitForStarted());
}

void PrivateSoundServer::play(const QString &file, const QString &sink) const
{
    QProcess player;
    startPlaying(player, file, sink);
    player.waitForFinished(-1);
    EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
}
