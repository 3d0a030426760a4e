#include "recording/CaptureLoop.h"

#include "platform/Errors.h"
#include "platform/GrowingFile.h"
#include "platform/OpusWriter.h"
#include "platform/SoundCapture.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <sys/statvfs.h>
#include <optional>
#include <vector>

namespace {

// How much sound a crash may cost at most.
constexpr double syncInterval = 0.5;

float rms(const std::vector<float> &block)
{
    double sum = 0;
    for (const float sample : block)
        sum += double(sample) * sample;
    return float(std::sqrt(sum / double(block.size())));
}

// "-" marks a source that is not recorded.
QByteArray levelText(bool recorded, float level)
{
    return recorded ? QByteArray::number(level, 'f', 4) : QByteArrayLiteral("-");
}

qint64 freeBytes(const QString &folder)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

} // namespace

CaptureLoop::CaptureLoop(std::shared_ptr<SoundCapture> microphone, std::shared_ptr<SoundCapture> system,
                         QString audioPath, QString levelsPath, Limits limits)
    : m_microphone(std::move(microphone)), m_system(std::move(system)), m_audioPath(std::move(audioPath)),
      m_levelsPath(std::move(levelsPath)), m_limits(limits)
{
}

CaptureLoop::~CaptureLoop() = default;

CaptureLoop::Outcome CaptureLoop::run(const std::function<void(const Block &)> &onBlock)
{
    Outcome outcome;
    std::optional<OpusWriter> audio;
    std::optional<GrowingFile> levels;
    try {
        audio.emplace(m_audioPath);
        levels.emplace(m_levelsPath);
    } catch (const std::exception &) {
        outcome.end = End::Failed;
        outcome.error = describeCurrentError();
        return outcome;
    }
    const QString folder = QFileInfo(m_audioPath).absolutePath();
    std::vector<float> microphone(SoundCapture::blockFrames, 0.0F);
    std::vector<float> system(SoundCapture::blockFrames, 0.0F);
    std::vector<float> mixed(SoundCapture::blockFrames);
    QByteArray levelLines;
    double lastSync = 0;
    try {
        while (!m_stop) {
            // Both streams fill at the same pace on the server; reading them in turn keeps them aligned.
            if (m_microphone)
                m_microphone->read(microphone.data());
            if (m_system)
                m_system->read(system.data());
            if (m_paused)
                continue; // read and dropped, so the server's buffers never fill up
            for (size_t i = 0; i < mixed.size(); ++i)
                mixed[i] = std::clamp(microphone[i] + system[i], -1.0F, 1.0F);
            audio->write(mixed.data(), int(mixed.size()));
            Block block{audio->seconds(), m_microphone ? rms(microphone) : 0.0F, m_system ? rms(system) : 0.0F};
            levelLines += levelText(m_microphone != nullptr, block.microphone) + '\t'
                + levelText(m_system != nullptr, block.system) + '\n';
            if (block.seconds - lastSync >= syncInterval) {
                audio->flush();
                levels->append(std::exchange(levelLines, {}));
                levels->sync();
                lastSync = block.seconds;
                const qint64 free = freeBytes(folder);
                if (free >= 0 && free < m_limits.minFreeBytes) {
                    outcome.end = End::LowDisk;
                    break;
                }
            }
            onBlock(block);
            if (block.seconds >= m_limits.maxSeconds) {
                outcome.end = End::LengthLimit;
                break;
            }
        }
    } catch (const std::exception &) {
        outcome.end = End::Failed;
        outcome.error = describeCurrentError();
    }
    // Whatever ended the loop, what was recorded is closed properly; a full disk may still refuse
    // the last bytes, and the note then keeps what reached the disk at the last sync.
    try {
        levels->append(levelLines);
        levels->close();
        audio->finish();
    } catch (const std::exception &) {
        if (outcome.end != End::Failed) {
            outcome.end = End::Failed;
            outcome.error = describeCurrentError();
        }
    }
    outcome.seconds = audio->seconds();
    return outcome;
}
