#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Tests that touch the Secret Service run again in a child process of their binary inside a D-Bus
// session of their own with a throwaway gnome-keyring, so no test ever sees a person's real keyring
// or another test's items, however the binary was started.

inline constexpr const char *privateKeyringFlag = "HUSHNOTE_TEST_PRIVATE_KEYRING";
inline constexpr const char *noBusFlag = "HUSHNOTE_TEST_NO_SECRET_SERVICE";

struct ChildRun {
    int exitCode = -1;
    QString output;
};

// Runs the current test again in a child process; withKeyring starts a private session bus and an
// unlocked gnome-keyring for it, otherwise the child's session bus address leads nowhere.
inline ChildRun rerunCurrentTest(const QString &home, bool withKeyring)
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString self = QCoreApplication::applicationFilePath();
    if (withKeyring) {
        environment.insert(QString::fromLatin1(privateKeyringFlag), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral("dbus-run-session"),
                    {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("printf throwaway | gnome-keyring-daemon --unlock --components=secrets >/dev/null"
                                    " && exec \"$0\" \"$@\""),
                     self, filter});
    } else {
        environment.insert(QString::fromLatin1(noBusFlag), QStringLiteral("1"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + home + QStringLiteral("/no-bus-here"));
        child.setProcessEnvironment(environment);
        child.start(self, {filter});
    }
    // A guard against a hang only.
    if (!child.waitForFinished(180'000))
        child.kill();
    child.waitForFinished();
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            QString::fromLocal8Bit(child.readAll())};
}

#define RUN_IN_PRIVATE_KEYRING()                                                                                \
    if (!qEnvironmentVariableIsSet(privateKeyringFlag)) {                                                      \
        QTemporaryDir home;                                                                                    \
        const ChildRun run = rerunCurrentTest(home.path(), true);                                              \
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();                                                \
        EXPECT_TRUE(run.output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << run.output.toStdString();  \
        return;                                                                                                \
    }
