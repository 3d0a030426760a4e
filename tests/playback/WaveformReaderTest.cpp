#include "platform/Errors.h"
#include "playback/WaveformReader.h"
#include "support/AudioFixtures.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace AudioFixtures;

namespace {

// The peaks worked out the slow, obvious way from samples ffmpeg decoded.
std::vector<float> expectedPeaks(const std::vector<float> &interleaved, int channels, int bins)
{
    const qint64 frames = qint64(interleaved.size()) / channels;
    std::vector<float> peaks(std::size_t(bins), 0);
    const double perBin = double(frames) / bins;
    for (qint64 i = 0; i < frames; ++i) {
        const auto bin = std::min<qint64>(bins - 1, qint64(double(i) / std::max(perBin, 1.0)));
        for (int c = 0; c < channels; ++c)
            peaks[bin] = std::max(peaks[bin], std::fabs(interleaved[i * channels + c]));
    }
    const float top = *std::max_element(peaks.begin(), peaks.end());
    for (float &p : peaks)
        p = top > 0 ? std::min(1.0f, p / top) : p;
    return peaks;
}

std::vector<float> decodedByFfmpeg(const QString &path)
{
    const QByteArray raw = run(QStringLiteral("ffmpeg"), {QStringLiteral("-loglevel"), QStringLiteral("error"),
                                                          QStringLiteral("-i"), path, QStringLiteral("-f"),
                                                          QStringLiteral("f32le"), QStringLiteral("-")});
    std::vector<float> samples(std::size_t(raw.size() / 4));
    qFromLittleEndian<float>(raw.constData(), qsizetype(samples.size()), samples.data());
    return samples;
}

} // namespace

TEST(WaveformReader, BinsFollowTheLoudestChannelAndTheLastBinTakesTheRest)
{
    // A stereo file whose right channel grows louder while the left fades, with a frame count that
    // does not divide evenly into the bins.
    const QString path = folder() + QStringLiteral("/crossfade.wav");
    run(QStringLiteral("ffmpeg"),
        {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
         QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("aevalsrc=(1-t/3)*0.3*sin(2*PI*200*t)|t/3*0.9*sin(2*PI*330*t):s=11025:d=3.0007"),
         QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), path});
    const std::vector<float> samples = decodedByFfmpeg(path);
    for (int bins : {640, 7, 1}) {
        SCOPED_TRACE(bins);
        const std::vector<float> peaks = WaveformReader::read(path, bins);
        const std::vector<float> expected = expectedPeaks(samples, 2, bins);
        ASSERT_EQ(peaks.size(), expected.size());
        for (std::size_t i = 0; i < peaks.size(); ++i)
            EXPECT_NEAR(peaks[i], expected[i], 1e-6) << "bin " << i;
        EXPECT_FLOAT_EQ(*std::max_element(peaks.begin(), peaks.end()), 1.0f);
    }
}

TEST(WaveformReader, CompressedFilesGiveTheirOwnShape)
{
    const QString path = tone("mp3", 20, 44100, 2);
    const std::vector<float> peaks = WaveformReader::read(path, 640);
    ASSERT_EQ(peaks.size(), 640u);
    // A steady tone: every bin is close to the loudest.
    EXPECT_GT(*std::min_element(peaks.begin() + 2, peaks.end() - 2), 0.9f);
}

TEST(WaveformReader, EdgeCasesGiveEmptyOrZeroPeaksInsteadOfFailing)
{
    const QString silent = wavWithSamples(QStringLiteral("silence.wav"), 8000, 1, std::vector<qint16>(8000, 0));
    EXPECT_EQ(WaveformReader::read(silent, 5), std::vector<float>(5, 0.0f));
    EXPECT_TRUE(WaveformReader::read(silent, 0).empty());

    // Fewer frames than bins: one bin per frame, the rest stay 0.
    const QString tiny = wavWithSamples(QStringLiteral("tiny.wav"), 8000, 1, {1000, -2000, 500});
    const std::vector<float> peaks = WaveformReader::read(tiny, 6);
    const std::vector<float> expected{0.5f, 1.0f, 0.25f, 0, 0, 0};
    ASSERT_EQ(peaks.size(), expected.size());
    for (std::size_t i = 0; i < peaks.size(); ++i)
        EXPECT_NEAR(peaks[i], expected[i], 1e-6);

    EXPECT_THROW(WaveformReader::read(textAsMp3(), 640), SystemError);
    EXPECT_THROW(WaveformReader::read(folder() + QStringLiteral("/gone.mp3"), 640), SystemError);

    std::stop_source source;
    source.request_stop();
    EXPECT_THROW(WaveformReader::read(tone("mp3", 20, 44100, 2), 640, source.get_token()), Cancelled);
}
