#include "platform/Errors.h"
#include "processing/AudioChunk.h"
#include "support/AudioFixtures.h"

#include <QBuffer>
#include <QDataStream>
#include <gtest/gtest.h>

#include <cmath>

using namespace AudioFixtures;

namespace {

QString failureOf(const QString &path, double start, double duration)
{
    try {
        AudioChunk::wav(path, start, duration);
        return QStringLiteral("no failure");
    } catch (const AppFailure &failure) {
        return failure.message();
    } catch (const SystemError &failure) {
        return QStringLiteral("system: ") + failure.description();
    }
}

// The 44-byte header of 16 kHz mono 16-bit PCM with `n` bytes of samples.
QByteArray wavHeader(quint32 n)
{
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + n);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << n;
    return header;
}

// Signal-to-difference ratio in decibels over the common length.
double agreement(const std::vector<qint16> &ours, const std::vector<qint16> &reference)
{
    const std::size_t n = std::min(ours.size(), reference.size());
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < n; ++i) {
        signal += double(reference[i]) * reference[i];
        const double d = double(ours[i]) - reference[i];
        noise += d * d;
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

} // namespace

TEST(AudioChunk, WindowsMatchTheFfmpegCommandLineUnderAnExactHeader)
{
    struct Case {
        QString path;
        double start;
        double duration;
    };
    const Case cases[] = {
        {tone("mp3", 40, 44100, 2), 0, 10},    {tone("mp3", 40, 44100, 2), 17.3, 12},
        {tone("m4a", 40, 48000, 2), 21.5, 10}, {tone("flac", 40, 22050, 1), 30, 60},
        {tone("ogg", 40, 48000, 2), 12, 8},    {tone("wav", 40, 8000, 1), 5.25, 3},
        {speech("mp3"), 0.5, 2},               {video(true), 1, 1.5},
        {tone("mp3", 130, 44100, 2), 120, 60}, // the last window of a note is shorter
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.path + QStringLiteral(" @") + QString::number(c.start)).toStdString());
        const QByteArray wav = AudioChunk::wav(c.path, c.start, c.duration);
        // The 44-byte header describes exactly the whole samples that follow.
        EXPECT_EQ(wav.size() % 2, 0);
        EXPECT_EQ(wav.left(44), wavHeader(quint32(wav.size() - 44)));
        const std::vector<qint16> ours = samplesOf(wav);
        const std::vector<qint16> reference = ffmpegWindow(c.path, c.start, c.duration, false);
        ASSERT_FALSE(reference.empty());
        // Lengths agree within one 20 ms frame; the samples agree up to resampler rounding.
        EXPECT_LE(std::abs(qint64(ours.size()) - qint64(reference.size())), 320);
        // Seeking straight to the window leaves the decoder no run-up (MP3's bit reservoir, Opus's
        // pre-roll), so the samples are checked against a decode from the start instead.
        EXPECT_GT(agreement(ours, ffmpegWindow(c.path, c.start, c.duration, true)), 40.0);
    }
}

TEST(AudioChunk, CapsOneWindowAtFourMillionBytes)
{
    const QString path = tone("wav", 130, 16000, 1);
    EXPECT_EQ(AudioChunk::wav(path, 0, 125).size(), 4'000'044);
    EXPECT_EQ(failureOf(path, 0, 125.001), QStringLiteral("音频片段超出处理范围。"));
    EXPECT_EQ(failureOf(path, 0, 1e12), QStringLiteral("音频片段超出处理范围。"));
}

TEST(AudioChunk, ReportsEachFailureWithItsOwnMessage)
{
    const QString shortTone = tone("m4a", 5, 44100, 2);
    EXPECT_EQ(failureOf(tone("wav", 5, 44100, 2), 5, 60), QStringLiteral("音频片段为空。"));
    EXPECT_EQ(failureOf(shortTone, 5.5, 60), QStringLiteral("音频片段为空。"));
    for (const QString &extension : {"m4a", "mp3", "wav", "flac", "ogg"})
        EXPECT_EQ(failureOf(tone(extension, 5, 44100, 2), 300, 60), QStringLiteral("音频片段为空。")) << extension.toStdString();
    EXPECT_EQ(failureOf(shortTone, 1, 0), QStringLiteral("音频片段为空。"));
    EXPECT_EQ(failureOf(shortTone, NAN, 60), QStringLiteral("音频片段为空。"));
    EXPECT_EQ(failureOf(video(false), 0, 60), QStringLiteral("音频中没有可读取的声音轨道。"));
    EXPECT_TRUE(failureOf(textAsMp3(), 0, 60).startsWith(QStringLiteral("system: ")));
    EXPECT_TRUE(failureOf(folder() + QStringLiteral("/gone.m4a"), 0, 60).startsWith(QStringLiteral("system: ")));

    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(AudioChunk::wav(shortTone, 0, 5, source.get_token()), Cancelled);
}
