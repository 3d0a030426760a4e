// The player bar's rules: the waveform's bars, seeking from the view, the speed labels and the
// time labels over a controller with a scripted player.
#include "player/PlayerModel.h"
#include "player/WaveformBars.h"
#include "support/FakeAudioPlayer.h"
#include "support/TaskRunner.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(WaveformBarsTest, OneBarEveryFourPointsEachTheLoudestOfItsShare)
{
    // Peaks rising with their index, so a bar's value tells the last peak of its share.
    QList<qreal> peaks;
    for (int i = 0; i < 640; ++i)
        peaks.append((i + 1) / 640.0);
    const QList<qreal> bars = WaveformBars::barValues(peaks, 400);
    ASSERT_EQ(bars.size(), 100);
    int previousEnd = 0;
    for (const qreal value : bars) {
        const int end = int(std::lround(value * 640));
        EXPECT_TRUE(end - previousEnd == 6 || end - previousEnd == 7) << end;
        previousEnd = end;
    }
    EXPECT_EQ(previousEnd, 640);

    const struct {
        QList<qreal> peaks;
        qreal width;
        QList<qreal> bars;
    } cases[] = {
        {{0.1, 0.9, 0.3}, 3, {0.9}},          // narrower than one bar: one bar over all peaks
        {{0.1, 0.9, 0.3}, 0, {0.9}},
        {{0.2, 0.4}, 16, {0.2, 0.2, 0.4, 0.4}}, // fewer peaks than bars: each peak serves several
        {{}, 400, {}},                          // no peaks: the flat track, no bars
    };
    for (const auto &c : cases)
        EXPECT_EQ(WaveformBars::barValues(c.peaks, c.width), c.bars) << c.width;

    WaveformBars model;
    model.setPeaks(peaks);
    model.setWidth(400);
    EXPECT_EQ(model.playedCount(0), 1);
    EXPECT_EQ(model.playedCount(0.5), 51);
    EXPECT_EQ(model.playedCount(1), 100);

    for (const auto &[x, width, fraction] : {std::tuple{-5.0, 400.0, 0.0}, {400.0, 400.0, 1.0}, {900.0, 400.0, 1.0},
                                             {100.0, 400.0, 0.25}, {0.5, 0.5, 0.5}, {2.0, 0.0, 1.0}})
        EXPECT_EQ(WaveformBars::fractionAt(x, width), fraction) << x << " " << width;
}

TEST(PlayerModelTest, LabelsSpeedsAndSeeksFollowTheController)
{
    QLocale::setDefault(QLocale::c());
    FakeAudioPlayerFactory factory;
    factory.script->length = 3725;
    AudioController audio{factory, [](QString, int bins, std::stop_token) { return std::vector<float>(size_t(bins), 1.0f); }};
    PlayerModel player;
    player.setAudio(&audio);

    EXPECT_EQ(player.rateLabels(),
              (QStringList{QStringLiteral("0.75×"), QStringLiteral("1×"), QStringLiteral("1.25×"),
                           QStringLiteral("1.5×"), QStringLiteral("2×")}));
    // Nothing loaded: the rate is still kept for the next audio.
    player.chooseRate(3);
    EXPECT_EQ(player.rateLabel(), QStringLiteral("1.5×"));
    EXPECT_EQ(player.accessibleValue(), QStringLiteral("00:00，共 00:00"));

    Recording note;
    note.id = QStringLiteral("N");
    note.duration = 3725;
    note.audioURL = QStringLiteral("/nonexistent/audio.wav");
    TestSupport::runTask(audio.load(note));
    EXPECT_FLOAT_EQ(factory.player()->rate(), 1.5f);
    EXPECT_EQ(player.peaks().size(), 640);

    player.seekFraction(2);
    EXPECT_EQ(player.elapsedLabel(), QStringLiteral("1:02:05"));
    player.seekBy(PlayerModel::step);
    EXPECT_EQ(player.fraction(), 1.0) << "an increment near the end stops at the end";
    player.seekBy(-PlayerModel::step);
    EXPECT_EQ(player.accessibleValue(), QStringLiteral("1:02:00，共 1:02:05"));
    player.seekFraction(-1);
    EXPECT_EQ(player.fraction(), 0.0);
}

} // namespace
