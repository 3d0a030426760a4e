#include "playback/AudioController.h"
#include "playback/WaveformReader.h"
#include "platform/Errors.h"
#include "support/AudioFixtures.h"
#include "support/FakeAudioPlayer.h"
#include "support/TaskRunner.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <atomic>
#include <latch>

using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

Recording record(QString id, std::optional<QString> audio, double duration = 10)
{
    Recording r;
    r.id = std::move(id);
    r.title = QStringLiteral("note");
    r.duration = duration;
    r.audioURL = std::move(audio);
    r.segments = {Segment{QStringLiteral("a"), 0, 5, QStringLiteral("one"), {}},
                  Segment{QStringLiteral("b"), 5, 8, QStringLiteral("two"), {}},
                  Segment{QStringLiteral("c"), 10, 12, QStringLiteral("three"), {}}};
    return r;
}

// Holds a waveform read until the test opens it, whatever the stop token says, so a late result
// of a superseded load can be delivered on purpose.
struct Gate {
    std::latch opened{1};
    std::atomic<int> waiting{0};

    void release() { opened.count_down(); }
    void pass()
    {
        ++waiting;
        opened.wait();
    }
};

class AudioControllerTest : public ::testing::Test {
protected:
    FakeAudioPlayerFactory factory;
    AudioController controller{factory, nullptr};

    FakeAudioPlayer &player() { return *factory.player(); }
    void loadTone(const QString &id = QStringLiteral("R1"))
    {
        runTask(controller.load(record(id, AudioFixtures::tone(QStringLiteral("wav"), 2, 8000, 1))));
    }
};

TEST_F(AudioControllerTest, LoadOpensThePlayerAndReadsTheWaveform)
{
    controller.setRate(1.5f);
    controller.setVolume(0.3f);
    EXPECT_EQ(*factory.created, 0) << "rate and volume wait for a player";

    factory.script->length = 2.0;
    const QString stereo = AudioFixtures::tone(QStringLiteral("wav"), 2, 8000, 2);
    runTask(controller.load(record(QStringLiteral("R1"), stereo, 1.9)));

    ASSERT_TRUE(controller.hasPlayer());
    EXPECT_EQ(player().path(), stereo);
    EXPECT_FLOAT_EQ(player().rate(), 1.5f);
    EXPECT_FLOAT_EQ(player().volume(), 0.3f);
    EXPECT_TRUE(player().prepared());
    EXPECT_DOUBLE_EQ(controller.duration(), 2.0) << "the player's length replaces the stored one";
    EXPECT_FALSE(controller.loading());
    EXPECT_FALSE(controller.error());
    ASSERT_EQ(controller.peaks().size(), 640u);
    EXPECT_EQ(controller.peaks(), WaveformReader::read(stereo, 640));

    // Changes reach the open player and stay for the next one.
    controller.setRate(2.0f);
    EXPECT_FLOAT_EQ(player().rate(), 2.0f);
    controller.setVolume(7.0f);
    EXPECT_FLOAT_EQ(controller.volume(), 1.0f);
    loadTone(QStringLiteral("R2"));
    EXPECT_FLOAT_EQ(player().rate(), 2.0f);
    EXPECT_FLOAT_EQ(player().volume(), 1.0f);

    controller.unload();
    EXPECT_FALSE(controller.hasPlayer());
    EXPECT_TRUE(controller.peaks().empty());
    EXPECT_DOUBLE_EQ(controller.duration(), 0);
    EXPECT_FLOAT_EQ(controller.rate(), 2.0f);
}

TEST_F(AudioControllerTest, MissingOrUnplayableAudioEndsInAMessage)
{
    runTask(controller.load(record(QStringLiteral("R1"), std::nullopt, 42)));
    EXPECT_EQ(controller.error(), QStringLiteral("没有找到播放文件，仍可阅读文字。"));
    EXPECT_FALSE(controller.hasPlayer());
    EXPECT_DOUBLE_EQ(controller.duration(), 42);
    controller.toggle();
    controller.seek(3);
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_DOUBLE_EQ(controller.position(), 0);
    EXPECT_EQ(*factory.created, 0);

    factory.script->openFailure = QStringLiteral("bad header");
    loadTone(QStringLiteral("R2"));
    EXPECT_EQ(controller.error(), QStringLiteral("无法播放此音频：bad header"));
    EXPECT_FALSE(controller.hasPlayer());
    EXPECT_FALSE(controller.loading());
    EXPECT_TRUE(controller.peaks().empty());

    // The player opens but the waveform cannot be read: playback still works.
    factory.script->openFailure.reset();
    runTask(controller.load(record(QStringLiteral("R3"), AudioFixtures::textAsMp3())));
    EXPECT_EQ(controller.error(), QStringLiteral("波形读取失败，可继续使用进度条播放。"));
    EXPECT_FALSE(controller.loading());
    EXPECT_TRUE(controller.peaks().empty());
    controller.toggle();
    EXPECT_TRUE(controller.isPlaying());

    // Qt Multimedia finds out late that it cannot decode the file.
    player().failLate(QStringLiteral("no decoder"));
    EXPECT_EQ(controller.error(), QStringLiteral("无法播放此音频：no decoder"));
    EXPECT_FALSE(controller.hasPlayer());
    EXPECT_FALSE(controller.isPlaying());
}

TEST_F(AudioControllerTest, AnOlderLoadNeverShowsItsPeaksForANewerRecord)
{
    Gate gate;
    const QString slowFile = AudioFixtures::tone(QStringLiteral("wav"), 3, 8000, 2);
    AudioController gated(factory, [&gate, slowFile](QString path, int bins, std::stop_token stop) {
        if (path == slowFile) {
            gate.pass();
            return WaveformReader::read(path, bins); // deliberately deaf to the stop request
        }
        return WaveformReader::read(path, bins, stop);
    });

    auto first = gated.load(record(QStringLiteral("A"), slowFile));
    ASSERT_TRUE(waitUntil([&] { return gate.waiting == 1; }));
    EXPECT_TRUE(gated.loading());

    const QString mono = AudioFixtures::tone(QStringLiteral("wav"), 1, 8000, 1);
    auto second = gated.load(record(QStringLiteral("B"), mono));
    gate.release();
    runTask(std::move(first));
    runTask(std::move(second));
    EXPECT_EQ(gated.peaks(), WaveformReader::read(mono, 640));
    EXPECT_FALSE(gated.loading());
    EXPECT_FALSE(gated.error());

    // Unloading while a read runs: nothing arrives afterwards either.
    Gate again;
    AudioController late(factory, [&again](QString path, int bins, std::stop_token) {
        again.pass();
        return WaveformReader::read(path, bins);
    });
    auto pending = late.load(record(QStringLiteral("C"), mono));
    ASSERT_TRUE(waitUntil([&] { return again.waiting == 1; }));
    late.unload();
    again.release();
    runTask(std::move(pending));
    EXPECT_TRUE(late.peaks().empty());
    EXPECT_FALSE(late.loading());
    EXPECT_FALSE(late.error());
}

TEST_F(AudioControllerTest, PlaybackEndsAtTheFullLengthAndRestartsFromTheBeginning)
{
    loadTone();
    controller.toggle();
    ASSERT_TRUE(controller.isPlaying());
    player().advanceTo(6);
    controller.tick();
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("b"));

    player().runToEnd();
    controller.tick();
    EXPECT_FALSE(controller.isPlaying());
    EXPECT_DOUBLE_EQ(controller.position(), controller.duration());
    EXPECT_FALSE(controller.activeSegmentID());

    // Within 0.05 s of the end, play starts over.
    controller.toggle();
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_DOUBLE_EQ(player().currentTime(), 0);
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("a"));

    // Paused further from the end, play resumes where it was.
    player().advanceTo(9.9);
    controller.toggle();
    EXPECT_FALSE(controller.isPlaying());
    controller.toggle();
    EXPECT_DOUBLE_EQ(player().currentTime(), 9.9);
    EXPECT_TRUE(controller.isPlaying());

    // While playing, the timer keeps the play head current.
    player().advanceTo(3.25);
    ASSERT_TRUE(waitUntil([&] { return controller.position() == 3.25; }));
}

TEST_F(AudioControllerTest, SeekingClampsAndHighlightsTheSegmentUnderThePlayHead)
{
    loadTone();
    controller.seek(-3);
    EXPECT_DOUBLE_EQ(controller.position(), 0);
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("a"));
    controller.seek(5); // the end of a is the start of b
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("b"));
    controller.seek(8); // the end of b, before c starts
    EXPECT_FALSE(controller.activeSegmentID());
    controller.seek(100);
    EXPECT_DOUBLE_EQ(controller.position(), 10);
    EXPECT_FALSE(controller.isPlaying()) << "seeking does not start playback";

    controller.playSegment(Segment{QStringLiteral("b"), 5, 8, {}, {}});
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_DOUBLE_EQ(controller.position(), 5);

    // An edit of the playing note keeps playing and re-evaluates the highlight.
    Recording edited = record(QStringLiteral("R1"), std::nullopt);
    edited.segments = {Segment{QStringLiteral("x"), 4, 6, QStringLiteral("merged"), {}}};
    controller.updateTranscript(edited);
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_TRUE(controller.hasPlayer());
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("x"));
    Recording other = record(QStringLiteral("R9"), std::nullopt);
    other.segments.clear();
    controller.updateTranscript(other);
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("x"));
}

TEST_F(AudioControllerTest, RefusedOrSilentPlaybackIsReported)
{
    factory.script->playSucceeds = false;
    loadTone();
    controller.toggle();
    EXPECT_EQ(controller.error(), QStringLiteral("音频无法开始播放。"));
    EXPECT_FALSE(controller.isPlaying());

    factory.script->playSucceeds = true;
    factory.script->outputDevice = false;
    loadTone(QStringLiteral("R2"));
    EXPECT_FALSE(controller.error());
    controller.playSegment(Segment{QStringLiteral("c"), 10.5, 12, {}, {}});
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_EQ(controller.error(), QStringLiteral("没有找到音频输出设备，播放没有声音。"));
}

TEST_F(AudioControllerTest, PropertiesSignalOnlyRealChanges)
{
    loadTone();
    player().advanceTo(0.5);
    controller.tick();
    QSignalSpy position(&controller, &AudioController::positionChanged);
    QSignalSpy active(&controller, &AudioController::activeSegmentIDChanged);
    QSignalSpy playing(&controller, &AudioController::isPlayingChanged);
    QSignalSpy rate(&controller, &AudioController::rateChanged);
    player().advanceTo(1);
    controller.tick();
    controller.tick();
    controller.tick();
    EXPECT_EQ(position.count(), 1);
    EXPECT_EQ(active.count(), 0) << "still in segment a";
    EXPECT_EQ(playing.count(), 0);
    controller.setRate(1.0f);
    controller.setRate(0.0f);
    EXPECT_EQ(rate.count(), 0);

    // The player learns its real length after loading.
    QSignalSpy duration(&controller, &AudioController::durationChanged);
    player().announceDuration(12.5);
    player().announceDuration(12.5);
    EXPECT_EQ(duration.count(), 1);
    EXPECT_DOUBLE_EQ(controller.duration(), 12.5);
}

} // namespace
