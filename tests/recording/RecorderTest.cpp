// Recording from a private sound server: what is played into its sinks comes back through their
// monitors, so the stored audio, its levels and the note can be checked against what was played.

#include "library/NativeLibrary.h"
#include "platform/FileUtil.h"
#include "platform/MediaFile.h"
#include "platform/OpusWriter.h"
#include "processing/JobFixture.h"
#include "recording/LiveTranscription.h"
#include "recording/Recorder.h"
#include "support/AudioFixtures.h"
#include "support/PrivateSoundServer.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

double durationOf(const QString &path)
{
    MediaFile file(path);
    return file.duration();
}

// The loudest sample of a file, after decoding.
float peakOf(const QString &path)
{
    MediaFile file(path);
    float peak = 0;
    file.readFloat([&](const float *const *channels, int, int frames) {
        for (int i = 0; i < frames; ++i)
            peak = std::max(peak, std::abs(channels[0][i]));
    });
    return peak;
}

struct LevelReading {
    float microphone = 0;
    float system = 0;
};

std::vector<LevelReading> levelsOf(const QString &folder)
{
    std::vector<LevelReading> readings;
    QFile file(folder + QStringLiteral("/levels.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return readings;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> columns = line.split('\t');
        if (columns.size() == 2)
            readings.push_back({columns[0].toFloat(), columns[1].toFloat()});
    }
    return readings;
}

std::vector<float> tone(double seconds, float amplitude)
{
    std::vector<float> samples(size_t(seconds * OpusWriter::sampleRate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude * float(std::sin(2 * M_PI * 440 * double(i) / OpusWriter::sampleRate));
    return samples;
}

} // namespace

// A kill leaves the file as it was at the last flush, perhaps with a torn page after it: it plays
// up to that flush, and the repair gives it a proper end without losing any of it.
TEST(OpusWriterTest, FileCutAfterAFlushPlaysUpToItAndRepairs)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("audio.ogg"));
    const QString cut = folder.filePath(QStringLiteral("cut.ogg"));
    const std::vector<float> second = tone(1, 0.5F);
    {
        OpusWriter writer(path);
        for (int i = 0; i < 2; ++i) {
            writer.write(second.data(), int(second.size()));
            writer.flush();
        }
        ASSERT_TRUE(QFile::copy(path, cut)); // what is on disk when the process dies here
        writer.write(second.data(), 4800);
        writer.finish();
        EXPECT_NEAR(writer.seconds(), 2.1, 1e-9);
    }
    EXPECT_NEAR(durationOf(path), 2.1, 0.03);
    EXPECT_NEAR(durationOf(cut), 2.0, 0.05);

    QFile torn(cut);
    ASSERT_TRUE(torn.open(QIODevice::Append));
    torn.write(QByteArray("OggS\0\0", 6) + QByteArray(300, 'x')); // half a page
    torn.close();
    OpusWriter::repair(cut);
    EXPECT_NEAR(durationOf(cut), 2.0, 0.05);
    EXPECT_GT(peakOf(cut), 0.3F);
    EXPECT_FALSE(QFile::exists(cut + QStringLiteral(".repair")));
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_server.skipReason().isEmpty())
            GTEST_SKIP() << m_server.skipReason().toStdString();
        ASSERT_TRUE(m_home.isValid());
    }

    QString root() const { return m_home.filePath(QStringLiteral("data/Hushnote/Library")); }

    // Records while play() runs, then a little more, and returns the saved note.
    Recording record(Recorder::Sources sources, const std::function<void()> &play)
    {
        NativeLibrary library(root());
        Recorder recorder(library);
        Recorder::Options options;
        options.sources = sources;
        const Recording started = TestSupport::runTask(recorder.start(options));
        EXPECT_EQ(started.status, QStringLiteral("recording"));
        EXPECT_TRUE(started.title.startsWith(QStringLiteral("录音 20")));
        play();
        // The last sound played is still on its way through the server: half a second more.
        const double until = recorder.elapsed() + 0.5;
        while (recorder.elapsed() < until)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        recorder.stop();
        return TestSupport::runTask(recorder.whenFinished());
    }

    PrivateSoundServer m_server;
    QTemporaryDir m_home;
};

TEST_F(RecorderTest, RecordsWhatTheSpeakersPlayWithItsLevels)
{
    const QString speech = AudioFixtures::speech(QStringLiteral("wav"));
    const double played = durationOf(speech);
    const Recording note = record(Recorder::Sources::System, [&] { m_server.play(speech, QStringLiteral("speakers")); });

    EXPECT_EQ(note.status, QStringLiteral("ready"));
    EXPECT_FALSE(note.interrupted.has_value());
    EXPECT_GE(note.duration, played);
    EXPECT_LT(note.duration, played + 2.5);
    const QString audio = NativeLibrary(root()).noteFolder(note.id) + QStringLiteral("/audio.ogg");
    EXPECT_NEAR(durationOf(audio), note.duration, 0.05);
    EXPECT_GT(peakOf(audio), 0.1F);

    const std::vector<LevelReading> levels = levelsOf(NativeLibrary(root()).noteFolder(note.id));
    EXPECT_NEAR(double(levels.size()), note.duration * 10, 2);
    float loudest = 0;
    for (const LevelReading &reading : levels) {
        EXPECT_EQ(reading.microphone, 0.0F);
        loudest = std::max(loudest, reading.system);
    }
    EXPECT_GT(loudest, 0.02F);
    // The note is a proper one of the library: listed, with its audio, and no lock left.
    const LibrarySnapshot snapshot = NativeLibrary(root()).loadHomeNow();
    ASSERT_EQ(snapshot.recordings.size(), 1u);
    EXPECT_EQ(snapshot.recordings[0], note);
    EXPECT_FALSE(QFile::exists(NativeLibrary(root()).noteFolder(note.id) + QStringLiteral("/recording.lock")));
}

// Each side speaks in turn: the microphone's level leads while it speaks, the system's after.
TEST_F(RecorderTest, BothSourcesAreMixedAndEachKeepsItsLevel)
{
    const QString speech = AudioFixtures::speech(QStringLiteral("wav"));
    const Recording note = record(Recorder::Sources::Both, [&] {
        m_server.play(speech, QStringLiteral("room"));
        m_server.play(speech, QStringLiteral("speakers"));
    });
    const std::vector<LevelReading> levels = levelsOf(NativeLibrary(root()).noteFolder(note.id));
    ASSERT_GT(levels.size(), 40u);
    size_t loudestMicrophone = 0, loudestSystem = 0;
    for (size_t i = 0; i < levels.size(); ++i) {
        if (levels[i].microphone > levels[loudestMicrophone].microphone)
            loudestMicrophone = i;
        if (levels[i].system > levels[loudestSystem].system)
            loudestSystem = i;
    }
    EXPECT_GT(levels[loudestMicrophone].microphone, 0.02F);
    EXPECT_LT(levels[loudestMicrophone].system, 0.001F);
    EXPECT_GT(levels[loudestSystem].system, 0.02F);
    EXPECT_LT(levels[loudestSystem].microphone, 0.001F);
    EXPECT_LT(loudestMicrophone, loudestSystem);
    EXPECT_GT(peakOf(*note.audioURL), 0.1F);
}

// The length limit and a disk running low end a recording by themselves, with a notice, and the
// note keeps what was recorded.
TEST_F(RecorderTest, LimitsStopTheRecordingAndKeepIt)
{
    NativeLibrary library(root());
    Recorder recorder(library);
    Recorder::Options options;
    options.limits.maxSeconds = 1.5;
    TestSupport::runTask(recorder.start(options));
    Recording note = TestSupport::runTask(recorder.whenFinished());
    EXPECT_NEAR(note.duration, 1.5, 0.15);
    EXPECT_EQ(recorder.notice(), QStringLiteral("录音已达到 12 小时上限，已停止并保存。"));

    options.limits = {};
    options.limits.minFreeBytes = std::numeric_limits<qint64>::max(); // never this much free
    TestSupport::runTask(recorder.start(options));
    note = TestSupport::runTask(recorder.whenFinished());
    EXPECT_NEAR(note.duration, 0.5, 0.15); // stopped at the first sync
    EXPECT_EQ(recorder.notice(), QStringLiteral("磁盘空间即将用完，录音已停止并保存。"));
    EXPECT_EQ(note.status, QStringLiteral("ready"));
    EXPECT_FALSE(recorder.error().has_value());
}

// Each finished minute is transcribed while the recording goes on; the stop transcribes the last
// part; no chunk twice.
TEST_F(RecorderTest, FinishedMinutesAreTranscribedWhileRecording)
{
    QProcess player; // a minute of silence would be skipped: sound in both minutes
    m_server.startPlaying(player, AudioFixtures::tone(QStringLiteral("wav"), 80, 48000, 1), QStringLiteral("speakers"));
    JobTest::Fixture fixture(root());
    NativeLibrary library(root()); // as hushnote-cli records: beside the Workspace's own store
    Recorder recorder(library);
    std::vector<double> calledAt; // seconds recorded when each chunk reached the engine
    fixture.onChunk = [&](int) { calledAt.push_back(recorder.elapsed()); };
    Recorder::Options options;
    options.sources = Recorder::Sources::System;
    const Recording started = TestSupport::runTask(recorder.start(options));
    LiveTranscription live(*fixture.workspace, root(), recorder, started, SummaryPreferences());
    while (recorder.elapsed() < 64)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    recorder.stop();
    TestSupport::runTask(recorder.whenFinished());
    TestSupport::runTask(live.finish());
    player.kill();
    player.waitForFinished(-1);

    ASSERT_EQ(calledAt.size(), 2u);
    EXPECT_LT(calledAt[0], 64);
    EXPECT_GE(calledAt[1], 64);
    const Recording note = fixture.onDisk(started.id);
    EXPECT_EQ(note.status, QStringLiteral("transcribed"));
    EXPECT_EQ(note.completedChunks, 2);
    ASSERT_EQ(note.segments.size(), 2u);
    EXPECT_EQ(note.segments[0].text, QStringLiteral("第1段"));
    EXPECT_EQ(note.segments[0].end, 60);
    EXPECT_EQ(note.segments[1].text, QStringLiteral("第2段"));
    EXPECT_NEAR(note.segments[1].end, note.duration, 1e-9);
    EXPECT_GE(note.duration, 64);
    EXPECT_FALSE(fixture.workspace->error().has_value()) << fixture.workspace->error()->toStdString();
}

class RecordCommandTest : public RecorderTest {
protected:
    void startRecording(QProcess &cli, const QStringList &arguments)
    {
        QProcessEnvironment env = m_server.environment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(HUSHNOTE_BIN_DIR "/hushnote-cli"), QStringList{QStringLiteral("record")} + arguments);
        ASSERT_TRUE(cli.waitForStarted());
    }

    // The note's id, printed as soon as the recording runs.
    QString idOf(QProcess &cli)
    {
        while (!cli.canReadLine() && cli.state() == QProcess::Running)
            cli.waitForReadyRead(-1);
        return QString::fromUtf8(cli.readLine()).trimmed();
    }
};

TEST_F(RecordCommandTest, StopsAfterTheDurationWithTheSoundPlayed)
{
    QProcess player;
    m_server.startPlaying(player, AudioFixtures::tone(QStringLiteral("wav"), 30, 48000, 1), QStringLiteral("speakers"));
    QProcess cli;
    startRecording(cli, {QStringLiteral("--source"), QStringLiteral("system"), QStringLiteral("--duration"), QStringLiteral("3s")});
    const QString id = idOf(cli);
    cli.waitForFinished(-1);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    player.kill();
    player.waitForFinished(-1);

    const LibrarySnapshot snapshot = NativeLibrary(root()).loadHomeNow();
    ASSERT_EQ(snapshot.recordings.size(), 1u);
    const Recording &note = snapshot.recordings[0];
    EXPECT_EQ(note.id, id);
    EXPECT_NEAR(note.duration, 3.0, 0.15);
    EXPECT_GT(peakOf(*note.audioURL), 0.1F);
}

// Killed outright: the next home read finds the note with its audio up to the last sync,
// closed properly and marked as interrupted.
TEST_F(RecordCommandTest, KilledRecordingIsRecoveredByTheNextRead)
{
    QProcess player;
    m_server.startPlaying(player, AudioFixtures::tone(QStringLiteral("wav"), 30, 48000, 1), QStringLiteral("speakers"));
    QProcess cli;
    startRecording(cli, {QStringLiteral("--source"), QStringLiteral("both")});
    const QString id = idOf(cli);
    ASSERT_FALSE(id.isEmpty()) << cli.readAllStandardError().toStdString();
    const QString folder = NativeLibrary(root()).noteFolder(id);
    // The levels reach the disk together with the audio, every half second.
    while (levelsOf(folder).size() < 40 && !cli.waitForFinished(50)) {
    }
    cli.kill();
    cli.waitForFinished(-1);
    const double synced = double(levelsOf(folder).size()) / 10;
    player.kill();
    player.waitForFinished(-1);

    NativeLibrary library(root());
    const LibrarySnapshot snapshot = library.loadHomeNow();
    ASSERT_EQ(snapshot.recordings.size(), 1u);
    const Recording &note = snapshot.recordings[0];
    EXPECT_EQ(note.id, id);
    EXPECT_EQ(note.interrupted, true);
    EXPECT_EQ(note.status, QStringLiteral("ready"));
    EXPECT_NEAR(note.duration, synced, 0.25); // the audio is synced with the levels
    const QByteArray probed = AudioFixtures::run(
        QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                    QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                                    *note.audioURL});
    EXPECT_NEAR(probed.trimmed().toDouble(), note.duration, 0.1);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/recording.lock")));
    // Recovered once: a second read changes nothing.
    EXPECT_EQ(library.loadHomeNow().recordings[0], note);
}

// The server's sources, with the monitors of its outputs as the system's sound and the default
// one marked.
TEST_F(RecordCommandTest, ListsTheServersSources)
{
    QProcess cli;
    startRecording(cli, {QStringLiteral("--list-devices")});
    cli.waitForFinished(-1);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto row = [&](const QString &name) {
        for (const QString &line : lines) {
            if (line.startsWith(name + QLatin1Char('\t')))
                return line.section(QLatin1Char('\t'), 0, 2);
        }
        return QString();
    };
    EXPECT_EQ(row(QStringLiteral("speakers.monitor")), QStringLiteral("speakers.monitor\tsystem\t"));
    EXPECT_EQ(row(QStringLiteral("room.monitor")), QStringLiteral("room.monitor\tsystem\t*"));
}
