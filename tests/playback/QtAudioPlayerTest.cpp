#include "playback/AudioController.h"
#include "playback/QtAudioPlayer.h"
#include "platform/Errors.h"
#include "support/AudioFixtures.h"
#include "support/TaskRunner.h"

#include <QMediaPlayer>
#include <QSignalSpy>
#include <gtest/gtest.h>

using TestSupport::waitUntil;

namespace {

bool hasMediaBackend()
{
    QMediaPlayer probe;
    return probe.isAvailable();
}

TEST(QtAudioPlayerTest, TheControllerPlaysARealFileToItsEndAndStartsOver)
{
    if (!hasMediaBackend())
        GTEST_SKIP() << "Qt Multimedia has no media back end on this machine (GStreamer plug-ins missing)";
    AudioController controller;
    controller.setVolume(0);
    Recording note;
    note.id = QStringLiteral("R1");
    note.duration = 5;
    note.audioURL = AudioFixtures::tone(QStringLiteral("wav"), 1, 16000, 1);
    note.segments = {Segment{QStringLiteral("s"), 0, 1, QStringLiteral("tone"), {}}};
    TestSupport::runTask(controller.load(note));
    ASSERT_TRUE(controller.hasPlayer());
    EXPECT_EQ(controller.peaks().size(), 640u);
    // Qt Multimedia opens in the background and announces the real length, which replaces the
    // stored one.
    ASSERT_TRUE(waitUntil([&] { return controller.duration() < 4; }));
    EXPECT_NEAR(controller.duration(), 1.0, 0.05);

    controller.toggle();
    ASSERT_TRUE(controller.isPlaying()) << controller.error().value_or(QString()).toStdString();
    EXPECT_EQ(controller.activeSegmentID(), QStringLiteral("s"));
    // The 0.1 s timer notices the end on its own.
    ASSERT_TRUE(waitUntil([&] { return !controller.isPlaying(); }));
    EXPECT_DOUBLE_EQ(controller.position(), controller.duration());
    EXPECT_FALSE(controller.activeSegmentID());

    controller.toggle();
    EXPECT_TRUE(controller.isPlaying());
    EXPECT_LT(controller.position(), 0.5) << "play after the end starts from the beginning";
    controller.unload();
}

TEST(QtAudioPlayerTest, UnopenableFilesFailWithAReason)
{
    QtAudioPlayer player;
    const QString missing = AudioFixtures::folder() + QStringLiteral("/missing.wav");
    try {
        player.open(missing);
        FAIL() << "a missing file opened";
    } catch (const SystemError &error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("missing.wav")));
    }
    EXPECT_THROW(player.open(AudioFixtures::folder()), SystemError);
    EXPECT_FALSE(player.play()) << "nothing is open";

    if (!hasMediaBackend())
        GTEST_SKIP() << "Qt Multimedia has no media back end on this machine (GStreamer plug-ins missing)";
    // A text file passes the up-front checks; the back end rejects it while loading.
    QSignalSpy failures(&player, &AudioPlayer::failed);
    player.open(AudioFixtures::textAsMp3());
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }));
    EXPECT_FALSE(failures.first().first().toString().isEmpty());
    EXPECT_FALSE(player.play());
}

} // namespace
