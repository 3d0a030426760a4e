// Recovering notes whose recording never ended: the program that recorded them was killed, crashed
// or lost its power. The recorder holds a lock file in the note's folder for as long as it runs;
// the kernel drops the lock however the process ends, so a lock file nobody holds means the
// recording is over and the note only needs closing.

#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"
#include "platform/MediaFile.h"
#include "platform/OpusWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <fcntl.h>

namespace {

constexpr double maxAudioSeconds = 43'200;

// The audio as the recorder left it, made whole: its length, or 0 when nothing usable is there.
double closeAudio(const QString &path)
{
    if (!QFileInfo::exists(path))
        return 0;
    try {
        OpusWriter::repair(path);
    } catch (const std::exception &) {
        // Left as it is; it may still play up to the damage.
    }
    try {
        MediaFile file(path);
        const double seconds = file.duration();
        return std::isfinite(seconds) ? std::clamp(seconds, 0.0, maxAudioSeconds) : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

} // namespace

void NativeLibrary::recoverInterruptedRecordings() const
{
    const QStringList names = QDir(recordingsFolder()).entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString &id : names) {
        const QString folder = noteFolder(id);
        const QString lockPath = folder + QLatin1Char('/') + recordingLockName();
        if (!QFileInfo::exists(lockPath))
            continue;
        try {
            const std::optional<FileLock> lock = FileLock::acquire(lockPath, O_RDONLY, false);
            if (!lock || !lock->held() || !lock->isAt(lockPath))
                continue; // still recording, or no way to tell
            const Recording current = RecordCodec::decodeRecording(
                FileUtil::readFile(folder + QStringLiteral("/record.json"), LibraryReader::maxRecordBytes));
            Recording closed = current;
            closed.duration = closeAudio(folder + QLatin1Char('/') + current.storedAudioName.value_or(QString()));
            const qint64 chunks = qint64(std::ceil(closed.duration / 60));
            closed.completedChunks = std::min<qint64>(current.completedChunks.value_or(0), chunks);
            closed.status = *closed.completedChunks == 0 ? QStringLiteral("ready")
                          : *closed.completedChunks == chunks ? QStringLiteral("transcribed")
                                                              : QStringLiteral("paused");
            closed.interrupted = true;
            saveNow(current, closed);
            QFile::remove(lockPath);
        } catch (const std::exception &) {
            // Left for the next read; the note is listed as it is meanwhile.
        }
    }
}
