#include "platform/Preferences.h"

#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"
#include "platform/Localization.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
QMutex sharedMutex;

// A scratch folder beside the preferences file, removed with everything in it.
class ScratchFolder final {
public:
    explicit ScratchFolder(const QString &beside)
    {
        QByteArray pattern = QFile::encodeName(beside + QStringLiteral("/.preferences-XXXXXX"));
        if (!::mkdtemp(pattern.data()))
            throw FileUtil::writeError(errno, beside);
        m_path = QFile::decodeName(pattern);
    }
    ~ScratchFolder() { QDir(m_path).removeRecursively(); }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    // A new file in the folder holding exactly these bytes.
    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString path = m_path + QLatin1Char('/') + name;
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            throw FileUtil::writeError(errno, path);
        try {
            FileUtil::writeAllAndSync(fd, bytes, path);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0)
            throw FileUtil::writeError(errno, path);
        return path;
    }

private:
    QString m_path;
};

bool sameSettings(const QSettings &expected, const QSettings &written)
{
    QStringList keys = expected.allKeys();
    QStringList writtenKeys = written.allKeys();
    keys.sort();
    writtenKeys.sort();
    if (keys != writtenKeys)
        return false;
    for (const QString &key : keys) {
        if (expected.value(key) != written.value(key))
            return false;
    }
    return true;
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
    change([&](QSettings &settings) { settings.setValue(key, value); });
}

void Preferences::setData(const QString &key, const QByteArray &value)
{
    change([&](QSettings &settings) { settings.setValue(key, value); });
}

void Preferences::setValues(const QList<std::pair<QString, QVariant>> &values)
{
    change([&](QSettings &settings) {
        for (const auto &[key, value] : values)
            settings.setValue(key, value);
    });
}

void Preferences::remove(const QString &key)
{
    change([&](QSettings &settings) { settings.remove(key); });
}

// QSettings writes its file through QSaveFile, which on a full disk renames an empty file over the
// target and reports success. So QSettings only lays out the text, in a scratch copy; the text is
// read back from another copy (a path QSettings has not cached) and compared before the checked
// write path puts it in place. A failure at any step leaves the preferences as they were.
void Preferences::change(const std::function<void(QSettings &)> &edit)
{
    QFileInfo info(m_filePath);
    if (info.isSymLink() && info.exists())
        info = QFileInfo(info.canonicalFilePath()); // a linked preferences file stays linked
    const QString target = info.absoluteFilePath();
    const QString folder = info.absolutePath();
    FileUtil::createFolders(folder);
    // One writer at a time, in this process or another, from the read to the rename.
    const std::optional<FileLock> lock = FileLock::acquire(folder, O_RDONLY | O_DIRECTORY, true);
    const QByteArray current = info.exists() ? FileUtil::readFile(target, maxFileBytes) : QByteArray();

    const ScratchFolder scratch(folder);
    QSettings changed(scratch.file(QStringLiteral("changed.conf"), current), QSettings::IniFormat);
    edit(changed);
    changed.sync();
    const QString failed = L(QStringLiteral("偏好设置没有保存：%@")).replace(QLatin1String("%@"), target);
    if (changed.status() != QSettings::NoError)
        throw SystemError(failed);
    const QByteArray text = FileUtil::readFile(changed.fileName(), maxFileBytes);
    const QSettings check(scratch.file(QStringLiteral("check.conf"), text), QSettings::IniFormat);
    if (check.status() != QSettings::NoError || !sameSettings(changed, check))
        throw SystemError(failed);
    FileUtil::writeAtomically(target, text);
}

bool Preferences::contains(const QString &key) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.contains(key);
}
