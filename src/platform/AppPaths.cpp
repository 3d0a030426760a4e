#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {
QMutex overrideMutex;
QString supportOverride;
}

namespace AppPaths {

QString applicationSupport()
{
    {
        QMutexLocker lock(&overrideMutex);
        if (!supportOverride.isEmpty())
            return supportOverride;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Hushnote"));
}

void setApplicationSupportOverride(const QString &folder)
{
    QMutexLocker lock(&overrideMutex);
    supportOverride = folder;
}

QString homeLibrary() { return QDir(applicationSupport()).filePath(QStringLiteral("Library")); }
QString modelsFolder() { return QDir(applicationSupport()).filePath(QStringLiteral("models")); }
QString configurationFile() { return QDir(applicationSupport()).filePath(QStringLiteral("configuration.json")); }

QString helpersFolder()
{
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../libexec/hushnote")));
}

} // namespace AppPaths
