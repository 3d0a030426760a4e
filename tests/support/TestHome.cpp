#include "support/TestHome.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace TestSupport {

bool useThrowawayHome(const QTemporaryDir &home)
{
    if (!home.isValid())
        return false;
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
    return true;
}

} // namespace TestSupport
