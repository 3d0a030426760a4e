#include "platform/Preferences.h"

#include "platform/Errors.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace {
QMutex sharedMutex;

// A write that did not reach the file must not look like a saved setting.
void syncOrThrow(QSettings &settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw SystemError(QStringLiteral("%1: the preferences could not be written").arg(settings.fileName()));
}

std::unique_ptr<Preferences> sharedStore;
QString sharedPathOverride;
} // namespace

Preferences::Preferences(QString filePath) : m_filePath(std::move(filePath)) {}

QString Preferences::defaultFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Hushnote/Hushnote.conf"));
}

Preferences &Preferences::shared()
{
    QMutexLocker lock(&sharedMutex);
    if (!sharedStore)
        sharedStore = std::make_unique<Preferences>(sharedPathOverride.isEmpty() ? defaultFilePath()
                                                                                 : sharedPathOverride);
    return *sharedStore;
}

void Preferences::setSharedFilePath(const QString &filePath)
{
    QMutexLocker lock(&sharedMutex);
    sharedPathOverride = filePath;
    sharedStore = std::make_unique<Preferences>(filePath);
}

std::optional<QString> Preferences::string(const QString &key) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> Preferences::data(const QString &key) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

void Preferences::setString(const QString &key, const QString &value)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(key, value);
    syncOrThrow(settings);
}

void Preferences::setData(const QString &key, const QByteArray &value)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(key, value);
    syncOrThrow(settings);
}

void Preferences::remove(const QString &key)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.remove(key);
    syncOrThrow(settings);
}

bool Preferences::contains(const QString &key) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.contains(key);
}
