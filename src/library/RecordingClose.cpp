#include "library/RecordingClose.h"

#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "platform/FileUtil.h"
#include "platform/MediaFile.h"
#include "platform/OpusWriter.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

constexpr double maxAudioSeconds = 43'200;

// The audio's length, or 0 when nothing usable is there.
double measure(const QString &path, bool repair)
{
    if (!QFileInfo::exists(path))
        return 0;
    if (repair) {
        try {
            OpusWriter::repair(path);
        } catch (const std::exception &) {
            // Left as it is; it may still play up to the damage.
        }
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

namespace RecordingClose {

Recording closeNow(const NativeLibrary &library, const QString &id, bool interrupted)
{
    const QString folder = library.noteFolder(id);
    const Recording current = RecordCodec::decodeRecording(
        FileUtil::readFile(folder + QStringLiteral("/record.json"), LibraryReader::maxRecordBytes));
    Recording closed = current;
    closed.duration = measure(folder + QLatin1Char('/') + current.storedAudioName.value_or(QString()), interrupted);
    const qint64 chunks = qint64(std::ceil(closed.duration / 60));
    closed.completedChunks = std::clamp<qint64>(current.completedChunks.value_or(0), 0, chunks);
    // A job transcribing the note now writes its own status when it ends; one that died with an
    // interrupted recording does not.
    if (interrupted || current.status != QStringLiteral("transcribing"))
        closed.status = *closed.completedChunks == 0 ? QStringLiteral("ready")
                      : *closed.completedChunks == chunks ? QStringLiteral("transcribed")
                                                          : QStringLiteral("paused");
    if (interrupted)
        closed.interrupted = true;
    Recording saved = library.saveNow(current, closed);
    const QString audio = folder + QLatin1Char('/') + saved.storedAudioName.value_or(QString());
    if (QFileInfo::exists(audio))
        saved.audioURL = audio;
    QFile::remove(folder + QLatin1Char('/') + NativeLibrary::recordingLockName());
    return saved;
}

} // namespace RecordingClose
