#include "platform/SingleInstance.h"

#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char *const folderVariable = "HUSHNOTE_TEST_INSTANCE_FOLDER";

} // namespace

// Run only as the child of the test below: a second start with the arguments after "--".
TEST(SingleInstance, DISABLED_SecondStart)
{
    const QString folder = qEnvironmentVariable(folderVariable);
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as a child process";
    const QStringList arguments = QCoreApplication::arguments();
    const QStringList files = SingleInstance::filesFromArguments(arguments.mid(arguments.indexOf(QStringLiteral("--")) + 1));
    SingleInstance instance(folder);
    std::exit(instance.claim(files) ? 3 : 0);
}

TEST(SingleInstance, ASecondStartHandsItsFilesToTheFirstAndQuits)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("runtime"));
    auto secondStart = [&](const QStringList &arguments, const QString &workingFolder) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromUtf8(folderVariable), folder);
        environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-1"));
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(workingFolder);
        child.start(QCoreApplication::applicationFilePath(),
                    QStringList{QStringLiteral("--gtest_also_run_disabled_tests"),
                                QStringLiteral("--gtest_filter=SingleInstance.DISABLED_SecondStart"), QStringLiteral("--")}
                        + arguments);
        EXPECT_TRUE(child.waitForStarted());
        // The first start answers from this event loop.
        EXPECT_TRUE(TestSupport::waitUntil([&] { return child.state() == QProcess::NotRunning; }, 60000));
        return child.exitCode();
    };

    auto first = std::make_unique<SingleInstance>(folder);
    ASSERT_TRUE(first->claim({}));
    QSignalSpy activated(first.get(), &SingleInstance::activated);
    EXPECT_EQ(secondStart({QStringLiteral("--new-window"), QStringLiteral("talk.m4a"),
                           QStringLiteral("file:///srv/Meeting%20notes.mp3")},
                          dir.path()),
              0);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return activated.size() == 1; }));
    EXPECT_EQ(activated.at(0).at(0).toStringList(),
              (QStringList{dir.filePath(QStringLiteral("talk.m4a")), QStringLiteral("/srv/Meeting notes.mp3")}));
    EXPECT_EQ(activated.at(0).at(1).toString(), QStringLiteral("token-1"));

    // Once the first has gone (however it ended), the next start is the first.
    first.reset();
    EXPECT_EQ(secondStart({}, dir.path()), 3);
}
