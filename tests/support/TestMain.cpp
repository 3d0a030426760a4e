#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

// Every test process gets a throwaway home: the preferences, the application-support folder and
// the home library all live under a temporary folder, so no test touches a person's files.
int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/hushnote-test-XXXXXX"));
    if (!home.isValid())
        return 3;
    const QByteArray root = QFile::encodeName(home.path());
    ::setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        QDir().mkpath(home.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    }
    ::setenv("HUSHNOTE_TEST_HOME", root.constData(), 1);

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
