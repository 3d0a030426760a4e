#include "processing/JobFixture.h"
#include "processing/SourceSpeakers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A levels file as a recording writes it: tenths of a second of (microphone, system) levels.
QString writeLevels(const QTemporaryDir &folder, const std::vector<std::tuple<double, QByteArray, QByteArray>> &stretches)
{
    const QString path = folder.filePath(QStringLiteral("levels.tsv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    for (const auto &[seconds, microphone, system] : stretches) {
        for (int i = 0; i < int(seconds * 10); ++i)
            file.write(microphone + '\t' + system + '\n');
    }
    return path;
}

Segment segment(double start, double end, const QString &speaker = {})
{
    return Segment{QString::number(start), start, end, QStringLiteral("text"), speaker};
}

} // namespace

// Each side in turn, the far side leaking into the microphone at 60 %, then both at once, then
// silence: the leak alone would not make the far side's turn "我", nor even a tie.
TEST(SourceSpeakersTest, DominantSourceNamesTheSpeakerDespiteTheLeak)
{
    QTemporaryDir folder;
    const QString path = writeLevels(folder, {{3, "0.1000", "0.0000"},
                                              {3, "0.0600", "0.1000"},
                                              {2, "0.1600", "0.1000"},
                                              {2, "0.0005", "0.0005"}});
    const SourceSpeakers::Levels levels = SourceSpeakers::read(path);
    ASSERT_EQ(levels.readings.size(), 100u);
    EXPECT_TRUE(levels.bothSources);
    EXPECT_NEAR(SourceSpeakers::leakOf(levels.readings), 0.6, 1e-6);

    std::vector<Segment> segments{segment(0, 3), segment(3, 6), segment(6, 8), segment(8, 10), segment(0, 3, QStringLiteral("Ann")),
                                  segment(9.5, 30)};
    SourceSpeakers::label(segments, levels);
    EXPECT_EQ(segments[0].speaker, QStringLiteral("我"));
    EXPECT_EQ(segments[1].speaker, QStringLiteral("对方"));
    EXPECT_EQ(segments[2].speaker, QString()); // near equal
    EXPECT_EQ(segments[3].speaker, QString()); // silence
    EXPECT_EQ(segments[4].speaker, QStringLiteral("Ann")); // a name given by a person stays
    EXPECT_EQ(segments[5].speaker, QString());             // past the readings' end: silence
}

// One source only, or no levels at all (an imported note): nothing to compare, no speakers.
TEST(SourceSpeakersTest, SingleSourceOrMissingLevelsGiveNoSpeakers)
{
    QTemporaryDir folder;
    const SourceSpeakers::Levels levels = SourceSpeakers::read(writeLevels(folder, {{3, "0.1000", "-"}}));
    EXPECT_FALSE(levels.bothSources);
    EXPECT_EQ(levels.readings.size(), 30u);
    EXPECT_TRUE(SourceSpeakers::read(folder.filePath(QStringLiteral("missing.tsv"))).readings.empty());
    std::vector<Segment> segments{segment(0, 3)};
    SourceSpeakers::label(segments, levels);
    EXPECT_EQ(segments[0].speaker, QString());
}

// A recorded minute in which nothing was heard is counted as done without asking the engine,
// which would invent text over silence; a minute with sound is transcribed as always.
TEST(SourceSpeakersTest, SilentMinutesOfARecordingReachNoEngine)
{
    JobTest::Fixture fixture;
    const Recording note = fixture.importNote(AudioFixtures::tone(QStringLiteral("wav"), 70, 16000, 1));
    QTemporaryDir unused;
    const QString levels = writeLevels(unused, {{50, "0.1000", "-"}, {20, "0.0001", "-"}});
    ASSERT_TRUE(QFile::copy(levels, fixture.library->noteFolder(note.id) + QStringLiteral("/levels.tsv")));
    fixture.runJob(false);

    EXPECT_EQ(fixture.wavSizes.size(), 1u);
    const Recording done = fixture.onDisk(note.id);
    EXPECT_EQ(done.completedChunks, 2);
    EXPECT_EQ(done.status, QStringLiteral("transcribed"));
    ASSERT_EQ(done.segments.size(), 1u);
    EXPECT_EQ(done.segments[0].end, 60);
    EXPECT_EQ(done.segments[0].speaker, QString());
}
