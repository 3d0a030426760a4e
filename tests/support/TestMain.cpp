#include "support/TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

// Every test process gets a throwaway home (tests of whole windows bring their own main with a
// QGuiApplication, on the same home).
int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/hushnote-test-XXXXXX"));
    if (!TestSupport::useThrowawayHome(home))
        return 3;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
