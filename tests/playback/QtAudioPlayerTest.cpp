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

TEST(QtAudioPlayerTest, OpensARealFileAndReportsItsLength)
{
    if (!hasMediaBackend())
        GTEST_SKIP() << "Qt Multimedia has no media back end on this machine (GStreamer plug-ins missing)";

    QtAudioPlayer player;
    QSignalSpy durations(&player, &AudioPlayer::durationChanged);
    QSignalSpy failures(&player, &AudioPlayer::failed);
    player.open(AudioFixtures::tone(QStringLiteral("wav"), 2, 16000, 1));
    player.setRate(1.5f);
    player.setVolume(0.5f);
    player.prepare();
    ASSERT_TRUE(waitUntil([&] { return player.duration() > 0 || !failures.isEmpty(); }));
    ASSERT_TRUE(failures.isEmpty()) << failures.first().first().toString().toStdString();
    EXPECT_NEAR(player.duration(), 2.0, 0.05);
    ASSERT_FALSE(durations.isEmpty());
    EXPECT_NEAR(durations.last().first().toDouble(), 2.0, 0.05);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.currentTime(), 0);
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
