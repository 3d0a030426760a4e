#include "platform/Errors.h"
#include "platform/MediaFile.h"
#include "support/AudioFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cmath>
#include <stop_token>

using namespace AudioFixtures;

namespace {

QString messageOf(const QString &path)
{
    try {
        MediaFile file(path);
        file.duration();
        return QStringLiteral("opened");
    } catch (const AppFailure &failure) {
        return failure.message();
    } catch (const SystemError &failure) {
        return QStringLiteral("system: ") + failure.description();
    }
}

// Writes path with ffmpeg from a generated source and the given encoder options.
void synthesize(const QString &source, const QStringList &encoder, const QString &path)
{
    run(QStringLiteral("ffmpeg"), QStringList{"-loglevel", "error", "-y", "-f", "lavfi", "-i", source} + encoder + QStringList{path});
}

} // namespace

TEST(MediaFile, MeasuresEveryCommonFormatAtItsOwnRate)
{
    struct Case {
        QString extension;
        int rate;
        int channels;
        int decodedRate; // Opus always decodes at 48 kHz
    };
    const Case cases[] = {{"wav", 8000, 1, 8000},    {"wav", 48000, 2, 48000}, {"mp3", 22050, 1, 22050},
                          {"mp3", 44100, 2, 44100},  {"m4a", 44100, 2, 44100}, {"m4a", 16000, 1, 16000},
                          {"flac", 32000, 2, 32000}, {"ogg", 48000, 2, 48000}, {"ogg", 16000, 1, 48000}};
    for (const Case &c : cases) {
        SCOPED_TRACE((c.extension + QString::number(c.rate)).toStdString());
        MediaFile file(tone(c.extension, 5, c.rate, c.channels));
        EXPECT_EQ(file.sampleRate(), c.decodedRate);
        EXPECT_EQ(file.channelCount(), c.channels);
        // Lossy codecs pad by up to a frame or two; the length is still the file's own.
        EXPECT_NEAR(file.duration(), 5.0, 0.03);
    }
    MediaFile wav(tone("wav", 5, 8000, 1));
    EXPECT_EQ(wav.frameCount(), 40000);
}

TEST(MediaFile, CountsFramesWhenTheLengthIsOnlyGuessedFromTheBitRate)
{
    // A variable-rate MP3 without a Xing header: the container can only estimate its length.
    const QString path = folder() + QStringLiteral("/vbr-noxing.mp3");
    synthesize("aevalsrc=if(lt(t\\,6)\\,0\\,0.8*sin(2*PI*(200+300*t)*t)):s=44100:d=12",
               {"-c:a", "libmp3lame", "-q:a", "0", "-write_xing", "0"}, path);
    MediaFile file(path);
    EXPECT_NEAR(file.duration(), 12.0, 0.06);

    // Constant rate without a header, and raw AAC frames: both only estimated by the container.
    for (const QString &codec : {QStringLiteral("libmp3lame"), QStringLiteral("aac")}) {
        const QString raw = folder() + (codec == QLatin1String("aac") ? QStringLiteral("/raw.aac") : QStringLiteral("/cbr-noxing.mp3"));
        synthesize("sine=frequency=300:sample_rate=44100:duration=9", {"-c:a", codec, "-b:a", "96k", "-write_xing", "0"}, raw);
        SCOPED_TRACE(raw.toStdString());
        MediaFile counted(raw);
        const std::vector<qint16> decoded = ffmpegWindow(raw, 0, 100, true);
        EXPECT_NEAR(counted.duration(), double(decoded.size()) / 16000, 0.03);
    }
}

TEST(MediaFile, RefusesWhatIsNotSoundWithoutHangingOrCrashing)
{
    EXPECT_EQ(messageOf(video(false)), QStringLiteral("音频中没有可读取的声音轨道。"));
    EXPECT_EQ(messageOf(video(true)), QStringLiteral("opened"));
    EXPECT_EQ(messageOf(symbolicLink()), QStringLiteral("opened"));
    for (const QString &path : {textAsMp3(), empty(), namedPipe(), truncated(), folder(),
                                folder() + QStringLiteral("/missing.wav")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(messageOf(path).startsWith(QStringLiteral("system: "))) << messageOf(path).toStdString();
    }
    EXPECT_TRUE(messageOf(folder() + QStringLiteral("/missing.wav")).contains(QStringLiteral("No such file")));
}

TEST(MediaFile, NamesWithColonsAreFileNamesNotProtocols)
{
    const QString odd = folder() + QStringLiteral("/concat:meeting 1.wav");
    QFile::copy(tone("wav", 1, 16000, 1), odd);
    MediaFile file(odd);
    EXPECT_NEAR(file.duration(), 1.0, 1e-9);
}

TEST(MediaFile, StopsDecodingWhenAsked)
{
    MediaFile file(tone("mp3", 30, 44100, 2));
    std::stop_source source;
    int blocks = 0;
    EXPECT_THROW(file.readFloat([&](const float *const *, int, int frames) {
        EXPECT_LE(frames, MediaFile::blockFrames);
        if (++blocks == 3)
            source.request_stop();
    }, source.get_token()), Cancelled);
    EXPECT_LT(blocks, 10);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_THROW(file.readWindow(10, 5, [](const qint16 *, int) {}, stopped.get_token()), Cancelled);
}
