// Recovering notes whose recording never ended: the program that recorded them was killed, crashed
// or lost its power. The recorder holds a lock file in the note's folder for as long as it runs;
// the kernel drops the lock however the process ends, so a lock file nobody holds means the
// recording is over and the note only needs closing.

#include "library/NativeLibrary.h"
#include "library/RecordingClose.h"
#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>

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
            RecordingClose::closeNow(*this, id, true);
        } catch (const std::exception &) {
            // Left for the next read; the note is listed as it is meanwhile.
        }
    }
}
