#pragma once

#include "library/RecordCodec.h"
#include "library/Recording.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// Builds library folders on disk for the library and workspace tests.
namespace LibraryFixture {

inline QString newID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

inline Recording note(const QString &id, const QString &createdAt = QStringLiteral("2026-03-01T08:15:30Z"))
{
    Recording recording;
    recording.id = id;
    recording.title = QStringLiteral("Note ") + id.left(4);
    recording.duration = 125;
    recording.createdAt = createdAt;
    recording.summary = QString();
    recording.storedAudioName = QStringLiteral("audio.m4a");
    return recording;
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Writes root/recordings/<folder>/record.json (folder defaults to the note's id) and, when asked,
// an audio file under the note's audio name.
inline QString putNote(const QString &root, const Recording &recording, bool withAudio = true,
                       QString folder = {})
{
    if (folder.isEmpty())
        folder = recording.id;
    const QString path = root + QStringLiteral("/recordings/") + folder;
    QDir().mkpath(path);
    writeBytes(path + QStringLiteral("/record.json"), RecordCodec::encodeRecording(recording));
    if (withAudio)
        writeBytes(path + QLatin1Char('/') + recording.storedAudioName.value_or(QStringLiteral("playback.mp3")),
                   QByteArrayLiteral("audio"));
    return path;
}

inline void putRaw(const QString &root, const QString &folder, const QByteArray &json)
{
    const QString path = root + QStringLiteral("/recordings/") + folder;
    QDir().mkpath(path);
    writeBytes(path + QStringLiteral("/record.json"), json);
}

// The note as root's record.json for it holds it now; the note itself when that cannot be read.
inline Recording onDisk(const QString &root, const Recording &recording)
{
    try {
        return RecordCodec::decodeRecording(
            readBytes(root + QStringLiteral("/recordings/") + recording.id + QStringLiteral("/record.json")));
    } catch (const RecordFormatError &) {
        return recording;
    }
}

// Permission bits of path itself (links not followed), -1 when it does not exist.
inline int modeOf(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

inline void link(const QString &target, const QString &at)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
}

// The message of the AppFailure f throws, "SystemError" or "other" for other exceptions, empty when
// nothing is thrown.
inline QString failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const AppFailure &failure) {
        return failure.message();
    } catch (const SystemError &) {
        return QStringLiteral("SystemError");
    } catch (...) {
        return QStringLiteral("other");
    }
    return {};
}

} // namespace LibraryFixture
