// The window's recording against a private sound server: what it shows while it records, pause
// and resume, the stop that keeps and transcribes everything, the cloud question, the quit that
// waits for the save, and the hourly reminder.

#include "processing/JobFixture.h"
#include "recorder/RecordingModel.h"
#include "shell/QuitGuard.h"
#include "support/AudioFixtures.h"
#include "support/PrivateSoundServer.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using TestSupport::waitUntil;

namespace {

struct Reminder {
    QString title;
    QString body;
};

} // namespace

TEST(RecordingReminderTest, OnceAtEachFullHourAndMetersOverSixtyDecibels)
{
    JobTest::Fixture fixture;
    std::vector<Reminder> sent;
    RecordingModel model(fixture.library->root(), *fixture.workspace, fixture.prompts, fixture.services,
                         [&](const QString &title, const QString &body) { sent.push_back({title, body}); });
    for (const double seconds : {0.0, 3599.0, 3600.0, 3700.0, 7199.0, 7300.0, 7400.0})
        model.remindAt(seconds);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].title, QStringLiteral("仍在录音"));
    EXPECT_EQ(sent[0].body, QStringLiteral("这段录音已持续 1 小时。不再需要时，请停止录音。"));
    EXPECT_EQ(sent[1].body, QStringLiteral("这段录音已持续 2 小时。不再需要时，请停止录音。"));

    EXPECT_EQ(RecordingModel::meterOf(0), 0);
    EXPECT_EQ(RecordingModel::meterOf(0.0005), 0);
    EXPECT_NEAR(RecordingModel::meterOf(0.001), 0, 1e-9);
    EXPECT_NEAR(RecordingModel::meterOf(0.1), 2.0 / 3, 1e-9);
    EXPECT_EQ(RecordingModel::meterOf(1), 1);
    EXPECT_EQ(RecordingModel::meterOf(3), 1);
}

class RecordingModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_server.skipReason().isEmpty())
            GTEST_SKIP() << m_server.skipReason().toStdString();
        // A steady tone into the room: the microphone's level is well above silence throughout.
        m_server.startPlaying(m_player, AudioFixtures::tone(QStringLiteral("wav"), 60, 48000, 1), QStringLiteral("room"));
        m_model = std::make_unique<RecordingModel>(m_fixture.library->root(), *m_fixture.workspace, m_fixture.prompts,
                                                   m_fixture.services, RecordingModel::Notify());
    }

    void TearDown() override
    {
        m_model.reset();
        m_player.kill();
        m_player.waitForFinished(-1);
    }

    // Starts recording the microphone and waits until its meter moves.
    void startRecording()
    {
        m_model->setSources(0);
        m_model->start();
        ASSERT_TRUE(waitUntil([&] { return m_model->phase() == QStringLiteral("recording"); }));
        ASSERT_TRUE(waitUntil([&] { return m_model->microphoneLevel() > 0.3; }));
    }

    void waitForElapsed(double seconds)
    {
        ASSERT_TRUE(waitUntil([&] { return m_model->elapsed() >= seconds; }));
    }

    PrivateSoundServer m_server;
    QProcess m_player;
    JobTest::Fixture m_fixture;
    std::unique_ptr<RecordingModel> m_model;
};

TEST_F(RecordingModelTest, RecordsPausesResumesAndStopsWithTheNoteSelected)
{
    QSignalSpy finished(m_model.get(), &RecordingModel::finished);
    startRecording();
    EXPECT_TRUE(m_model->showsMicrophone());
    EXPECT_FALSE(m_model->showsSystem());
    EXPECT_EQ(m_model->systemLevel(), 0);
    EXPECT_FALSE(m_model->canStart());
    waitForElapsed(1);
    EXPECT_TRUE(m_model->windowTitle().startsWith(QStringLiteral("录音中 00:0"))) << m_model->windowTitle().toStdString();
    // The note is listed and selected in the window from its first moment.
    const std::optional<Recording> live = m_fixture.workspace->selectedRecord();
    ASSERT_TRUE(live.has_value());
    EXPECT_EQ(live->status, QStringLiteral("recording"));

    m_model->pause();
    EXPECT_EQ(m_model->phase(), QStringLiteral("paused"));
    // Sound goes by while paused (the player ends after it has played); once what was recorded
    // before the pause has arrived, none of it is added.
    const QString sound = AudioFixtures::tone(QStringLiteral("wav"), 2, 48000, 1);
    m_server.play(sound, QStringLiteral("room"));
    QCoreApplication::processEvents();
    const double paused = m_model->elapsed();
    m_server.play(sound, QStringLiteral("room"));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_model->elapsed(), paused);
    EXPECT_TRUE(m_model->statusText().startsWith(QStringLiteral("录音已暂停 ")));
    m_model->resume();
    waitForElapsed(paused + 1);
    m_model->stop();
    EXPECT_EQ(m_model->phase(), QStringLiteral("finishing"));
    EXPECT_FALSE(m_model->active());
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }));

    const QString id = finished[0][0].toString();
    EXPECT_EQ(m_model->phase(), QStringLiteral("idle"));
    EXPECT_EQ(m_model->windowTitle(), QStringLiteral("Hushnote"));
    EXPECT_TRUE(m_model->canStart());
    EXPECT_EQ(m_fixture.workspace->selectedID(), id);
    const Recording note = *m_fixture.workspace->selectedRecord();
    EXPECT_EQ(note.status, QStringLiteral("ready"));
    EXPECT_GE(note.duration, paused + 1);
    EXPECT_EQ(m_fixture.workspace->notice(), QStringLiteral("已收好，保存在资料库。"));
    EXPECT_FALSE(m_fixture.workspace->error().has_value());
}

// Transcribed while recording on this computer's engine: no question asked, and the stop
// transcribes what is left before the note is selected.
TEST_F(RecordingModelTest, StopTranscribesTheRestBeforeSelecting)
{
    QSignalSpy finished(m_model.get(), &RecordingModel::finished);
    m_model->setTranscribe(true);
    startRecording();
    waitForElapsed(2);
    m_model->stop();
    EXPECT_EQ(m_model->statusText(), QStringLiteral("正在转写剩余部分…"));
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }, 120000));
    EXPECT_EQ(m_fixture.prompts.cloudAsked, 0);
    const Recording note = *m_fixture.workspace->selectedRecord();
    EXPECT_EQ(note.id, finished[0][0].toString());
    EXPECT_EQ(note.status, QStringLiteral("transcribed"));
    ASSERT_EQ(note.segments.size(), 1u);
    EXPECT_EQ(note.segments[0].text, QStringLiteral("第1段"));
    EXPECT_FALSE(m_fixture.workspace->error().has_value()) << m_fixture.workspace->error()->toStdString();
}

// A cloud engine asks once, before anything is recorded; declined, nothing starts.
TEST_F(RecordingModelTest, DeclinedCloudQuestionRecordsNothing)
{
    m_fixture.configuration.asrService = QStringLiteral("openai");
    m_fixture.prompts.cloudAnswer = false;
    m_model->setTranscribe(true);
    m_model->start();
    ASSERT_TRUE(waitUntil([&] { return m_model->phase() == QStringLiteral("idle"); }));
    EXPECT_EQ(m_fixture.prompts.cloudAsked, 1);
    TestSupport::runTask(m_fixture.workspace->refresh());
    EXPECT_TRUE(m_fixture.workspace->records().empty());
}

// Quitting asks first; "stop and keep" quits only once the note is saved.
TEST_F(RecordingModelTest, QuitWhileRecordingAsksThenWaitsForTheSave)
{
    QuitGuard guard;
    guard.setProperty("workspace", QVariant::fromValue(m_fixture.workspace.get()));
    guard.setProperty("recording", QVariant::fromValue(m_model.get()));
    QSignalSpy asked(&guard, &QuitGuard::recordingQuestion);
    QSignalSpy confirmed(&guard, &QuitGuard::quitConfirmed);
    startRecording();
    const QString id = *m_fixture.workspace->selectedID();
    EXPECT_FALSE(guard.requestQuit());
    EXPECT_EQ(asked.size(), 1);
    EXPECT_FALSE(guard.terminating());
    EXPECT_EQ(m_model->phase(), QStringLiteral("recording")); // "keep recording" needs nothing more

    guard.stopRecordingAndQuit();
    EXPECT_TRUE(guard.terminating());
    ASSERT_TRUE(waitUntil([&] { return confirmed.size() == 1; }));
    EXPECT_FALSE(m_model->busy());
    EXPECT_EQ(m_fixture.onDisk(id).status, QStringLiteral("ready"));
}
