#include "processing/AudioChunk.h"

#include "platform/Errors.h"
#include "platform/MediaFile.h"

#include <QtEndian>

#include <cmath>

namespace AudioChunk {

QByteArray wav(QString path, double start, double duration, std::stop_token stop)
{
    if (!std::isfinite(start) || !std::isfinite(duration) || duration <= 0)
        throw AppFailure(QStringLiteral("音频片段为空。"));
    if (start < 0) {
        duration += start;
        start = 0;
        if (duration <= 0)
            throw AppFailure(QStringLiteral("音频片段为空。"));
    }

    MediaFile file(path);
    // Room for the header up front, so the finished file needs no second copy of the samples.
    QByteArray bytes(44, '\0');
    bytes.reserve(44 + int(std::min<double>(duration * MediaFile::windowRate * 2 + 4096, double(maxPcmBytes) + 8192)));
    file.readWindow(start, duration, [&](const qint16 *samples, int count) {
        const qint64 size = qint64(count) * 2;
        if (bytes.size() - 44 + size > maxPcmBytes)
            throw AppFailure(QStringLiteral("音频片段超出处理范围。"));
        const qsizetype at = bytes.size();
        bytes.resize(at + size);
        qToLittleEndian<qint16>(samples, count, bytes.data() + at);
    }, stop);

    const qint64 pcm = bytes.size() - 44;
    if (pcm <= 0)
        throw AppFailure(QStringLiteral("音频片段为空。"));
    const QByteArray head = MediaFile::waveHeader(quint32(pcm));
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

qint64 chunkCount(double duration)
{
    if (!std::isfinite(duration) || duration <= 0)
        return 0;
    return qint64(std::ceil(duration / 60));
}

} // namespace AudioChunk
