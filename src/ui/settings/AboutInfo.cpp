#include "AboutInfo.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef HUSHNOTE_VERSION
#define HUSHNOTE_VERSION ""
#endif
#ifndef HUSHNOTE_BUILD_NUMBER
#define HUSHNOTE_BUILD_NUMBER ""
#endif

QString AboutInfo::versionLine(const QString &version, const QString &build)
{
    return QStringLiteral("Version ") + (version.isEmpty() ? QStringLiteral("0.8.0") : version) + QStringLiteral(" · ")
           + (build.isEmpty() ? QStringLiteral("9") : build);
}

QString AboutInfo::versionLine() const
{
    return versionLine(QStringLiteral(HUSHNOTE_VERSION), QStringLiteral(HUSHNOTE_BUILD_NUMBER));
}

QString AboutInfo::licensesFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/hushnote/licenses"));
}

bool AboutInfo::hasLicenses() const
{
    return QFileInfo(licensesFolder()).isDir();
}

void AboutInfo::openLicenses() const
{
    if (hasLicenses())
        QDesktopServices::openUrl(QUrl::fromLocalFile(licensesFolder()));
}
