#include "platform/Errors.h"
#include "services/LocalTranscriber.h"
#include "services/WhisperModels.h"
#include "support/AudioFixtures.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace std::chrono_literals;

namespace {

const QString engineMissing = QStringLiteral("转写引擎缺失，请重新安装 Hushnote。");
const QString engineFailed = QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。");
const QString unreadable = QStringLiteral("转写结果无法读取。");

using ServicesTest::failureOf;

// One second of 16 kHz mono 16-bit silence, as the chunk encoder hands it over.
QByteArray silentWav()
{
    static const QByteArray wav =
        ServicesTest::readAll(AudioFixtures::wavWithSamples(QStringLiteral("silence"), 16000, 1, std::vector<qint16>(16000)));
    return wav;
}

bool processExists(const QByteArray &pid)
{
    return !pid.isEmpty() && ::kill(pid.trimmed().toInt(), 0) == 0;
}

class LocalTranscriberTest : public ::testing::Test {
protected:
    QTemporaryDir m_home;
    QString m_temp = m_home.filePath(QStringLiteral("tmp"));
    QByteArray m_modelBytes = QByteArray("a small stand-in for a model file");
    WhisperModel m_model{QStringLiteral("test"), QStringLiteral("Test"), m_modelBytes.size(),
                         QString::fromLatin1(QCryptographicHash::hash(m_modelBytes, QCryptographicHash::Sha256).toHex())};
    WhisperModels m_models{m_home.filePath(QStringLiteral("models")), {m_model}, QUrl()};
    QByteArray m_savedTmp = qgetenv("TMPDIR");

    LocalTranscriberTest()
    {
        silentWav(); // made before TMPDIR points into this test's folder
        // A private temporary folder, so leftover work folders can be seen.
        QDir().mkpath(m_temp);
        qputenv("TMPDIR", QFile::encodeName(m_temp));
        QDir().mkpath(m_models.root());
        write(m_models.installedFile(m_model), m_modelBytes);
    }
    ~LocalTranscriberTest() override
    {
        if (m_savedTmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_savedTmp);
    }

    static void write(const QString &path, const QByteArray &bytes) { ServicesTest::writeFile(path, bytes); }
    QString file(const QString &name) const { return m_home.filePath(name); }

    // A whisper-cli stand-in: the body runs with whisper-cli's arguments; $9 is the output base.
    QString fakeEngine(const QByteArray &body)
    {
        const QString path = m_home.filePath(QStringLiteral("bin/whisper-cli"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        write(path, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QString transcribe(const QString &engine, std::stop_token stop = {}, std::chrono::milliseconds limit = 30min)
    {
        LocalTranscriber transcriber(m_models, engine);
        transcriber.setTimeLimit(limit);
        return TestSupport::runTask(transcriber.transcribe(silentWav(), QStringLiteral("test"), stop)).text;
    }

    QStringList workFolders() const
    {
        return QDir(m_temp).entryList({QStringLiteral("hushnote-whisper-*")}, QDir::AllEntries | QDir::Hidden);
    }
};

TEST_F(LocalTranscriberTest, ChecksTheEngineAndTheModelBeforeRunning)
{
    const QString marker = file(QStringLiteral("ran"));
    const QString engine = fakeEngine("touch '" + QFile::encodeName(marker) + "'; echo text > \"$9.txt\"");

    // Not executable: the engine is reported missing before the model is looked at.
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner);
    LocalTranscriber notExecutable(m_models, engine);
    EXPECT_EQ(failureOf([&] {
                  TestSupport::runTask(notExecutable.transcribe(silentWav(), QStringLiteral("medium")));
              }),
              engineMissing);
    EXPECT_EQ(failureOf([&] { transcribe(file(QStringLiteral("bin"))); }), engineMissing);
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    LocalTranscriber transcriber(m_models, engine);
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(transcriber.transcribe(silentWav(), QStringLiteral("medium"))); }),
              QStringLiteral("请选择有效的转写模型。"));

    // A model damaged after installation is caught before the chunk runs.
    write(m_models.installedFile(m_model), QByteArray(m_modelBytes).replace('a', 'b'));
    EXPECT_EQ(failureOf([&] { transcribe(engine); }), QStringLiteral("模型校验失败，请重新下载。"));
    QFile::remove(m_models.installedFile(m_model));
    EXPECT_EQ(failureOf([&] { transcribe(engine); }), QStringLiteral("模型未安装或不完整，请下载后重试。"));
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_TRUE(workFolders().isEmpty());
}

TEST_F(LocalTranscriberTest, RunsTheEngineWithItsCommandLineAndEnvironment)
{
    const QString copy = file(QStringLiteral("audio-copy.wav"));
    const QString engine = fakeEngine(
        "out=\"$9.txt\"\n"
        "printf '%s\\n' \"$@\" > \"$out\"\n"
        "echo \"cwd=$(pwd)\" >> \"$out\"\n"
        "echo \"mode=$(stat -c %a \"$(dirname \"$4\")\")\" >> \"$out\"\n"
        "env >> \"$out\"\n"
        "cp \"$4\" '" + QFile::encodeName(copy) + "'\n"
        "printf '\\n\\n' >> \"$out\"");
    qputenv("GGML_BACKEND_PATH", "/somewhere/else");
    qputenv("HUSHNOTE_PROBE", "kept");
    const QString text = transcribe(engine);
    qunsetenv("GGML_BACKEND_PATH");
    qunsetenv("HUSHNOTE_PROBE");

    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString work = QFileInfo(lines[3]).absolutePath();
    EXPECT_TRUE(QFileInfo(work).fileName().startsWith(QStringLiteral("hushnote-whisper-")));
    EXPECT_EQ(QFileInfo(work).absolutePath(), QDir(m_temp).absolutePath());
    const QStringList expected = {QStringLiteral("-m"), m_models.installedFile(m_model), QStringLiteral("-f"),
                                  work + QStringLiteral("/audio.wav"), QStringLiteral("-l"), QStringLiteral("auto"),
                                  QStringLiteral("-otxt"), QStringLiteral("-of"), work + QStringLiteral("/transcript"),
                                  QStringLiteral("-t"), QString::number(LocalTranscriber::defaultThreads()),
                                  QStringLiteral("-oj"), QStringLiteral("-sns"),
                                  QStringLiteral("-et"), QStringLiteral("2.6")};
    ASSERT_GE(lines.size(), 18);
    EXPECT_EQ(lines.mid(0, 15), expected);
    EXPECT_EQ(lines[15], QStringLiteral("cwd=") + QFileInfo(engine).absolutePath());
    EXPECT_EQ(lines[16], QStringLiteral("mode=700"));
    EXPECT_TRUE(lines.contains(QStringLiteral("HUSHNOTE_PROBE=kept")));
    EXPECT_FALSE(text.contains(QStringLiteral("GGML_BACKEND_PATH")));
    EXPECT_FALSE(text.endsWith(QLatin1Char('\n')));

    EXPECT_EQ(ServicesTest::readAll(copy), silentWav());
    EXPECT_TRUE(workFolders().isEmpty());
}

TEST_F(LocalTranscriberTest, PassesLanguageThreadsAndTheVoiceDetectorOnlyWhenItIsInstalled)
{
    const QString engine = fakeEngine("printf '%s\\n' \"$@\" > \"$9.txt\"\n"
                                      "printf '{\"result\":{\"language\":\"ja\"},\"transcription\":[]}' > \"$9.json\"");
    auto arguments = [&](const WhisperRun &run) {
        LocalTranscriber transcriber(m_models, engine);
        const ChunkTranscript transcript = TestSupport::runTask(transcriber.transcribe(silentWav(), run));
        EXPECT_EQ(transcript.language, QStringLiteral("ja")); // as the engine's JSON says
        return transcript.text.split(QLatin1Char('\n')).mid(4);
    };
    const QByteArray detectorBytes("a stand-in for the voice detector");
    m_models.setDetector({QStringLiteral("vad"), QStringLiteral("VAD"), detectorBytes.size(),
                          QString::fromLatin1(QCryptographicHash::hash(detectorBytes, QCryptographicHash::Sha256).toHex())});
    const QString detector = m_models.installedFile(m_models.detector());
    const WhisperRun run{QStringLiteral("test"), QStringLiteral("ja"), 3, true};

    // Not installed: no --vad. Installed: --vad with its file. Damaged or switched off: none again.
    QStringList plain = arguments(run);
    EXPECT_FALSE(plain.contains(QStringLiteral("--vad")));
    EXPECT_EQ(plain.mid(0, 2), QStringList({"-l", "ja"}));
    EXPECT_EQ(plain.mid(plain.indexOf(QStringLiteral("-t")), 2), QStringList({"-t", "3"}));
    write(detector, detectorBytes);
    const QStringList withDetector = arguments(run);
    EXPECT_EQ(withDetector.mid(withDetector.indexOf(QStringLiteral("--vad")), 3), QStringList({"--vad", "-vm", detector}));
    EXPECT_FALSE(arguments({QStringLiteral("test"), QStringLiteral("ja"), 3, false}).contains(QStringLiteral("--vad")));
    write(detector, QByteArray(detectorBytes).replace('a', 'b'));
    EXPECT_FALSE(arguments(run).contains(QStringLiteral("--vad")));
}

TEST_F(LocalTranscriberTest, ReportsWhatTheEngineLeftBehind)
{
    const QString fine = QStringLiteral("<no failure>");
    const struct {
        const char *what;
        QByteArray body;
        QString expected;
        QString text; // what a success returns
    } cases[] = {
        {"exit 1 with output", "echo text > \"$9.txt\"; exit 1", engineFailed, {}},
        {"killed by a signal", "echo text > \"$9.txt\"; kill -9 $$", engineFailed, {}},
        {"exit 0 without output", "exit 0", unreadable, {}},
        {"only white space: no speech", "printf '\\n \\n\\t\\n' > \"$9.txt\"", fine, QStringLiteral("")},
        {"4 MiB of output", "head -c 4194304 /dev/zero | tr '\\0' a > \"$9.txt\"", unreadable, {}},
        {"not UTF-8", "printf 'ok \\377\\376' > \"$9.txt\"", unreadable, {}},
        {"just under 4 MiB", "head -c 4194302 /dev/zero | tr '\\0' a > \"$9.txt\"; echo >> \"$9.txt\"", fine,
         QString(4194302, QLatin1Char('a'))},
        {"surrounding white space", "printf '  \\n 你好，世界 \\n\\n' > \"$9.txt\"", fine, QStringLiteral("你好，世界")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString engine = fakeEngine(c.body);
        QString text;
        EXPECT_EQ(failureOf([&] { text = transcribe(engine); }), c.expected);
        EXPECT_TRUE(text == c.text) << "unexpected text of " << text.size() << " characters";
        EXPECT_TRUE(workFolders().isEmpty());
    }
}

TEST_F(LocalTranscriberTest, KillsAnEngineThatRunsTooLongOrIsCancelled)
{
    const QString pidFile = file(QStringLiteral("pid"));
    const QString engine = fakeEngine("echo $$ > '" + QFile::encodeName(pidFile) + "'; exec sleep 1000");
    auto readPid = [&] { return ServicesTest::readAll(pidFile); };

    // Time enough for the engine to start and say who it is: only then does its absence afterwards
    // show that it was killed.
    EXPECT_EQ(failureOf([&] { transcribe(engine, {}, 2s); }), QStringLiteral("本地转写超时，请尝试较小的模型。"));
    ASSERT_FALSE(readPid().isEmpty()) << "the engine never started";
    EXPECT_FALSE(processExists(readPid()));
    EXPECT_TRUE(workFolders().isEmpty());

    QFile::remove(pidFile);
    std::stop_source stop;
    LocalTranscriber transcriber(m_models, engine);
    auto task = transcriber.transcribe(silentWav(), QStringLiteral("test"), stop.get_token());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !readPid().isEmpty(); }));
    const QByteArray pid = readPid();
    EXPECT_TRUE(processExists(pid));
    stop.request_stop();
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(std::move(task)); }), QStringLiteral("<cancelled>"));
    EXPECT_FALSE(processExists(pid));
    EXPECT_TRUE(workFolders().isEmpty());

    // A stop that came before the chunk starts nothing.
    QFile::remove(pidFile);
    std::stop_source early;
    early.request_stop();
    EXPECT_EQ(failureOf([&] { transcribe(engine, early.get_token()); }), QStringLiteral("<cancelled>"));
    EXPECT_TRUE(readPid().isEmpty());
}

TEST_F(LocalTranscriberTest, RealEngineRefusesAFileThatIsNotAModel)
{
    const QString engine = QStringLiteral(HUSHNOTE_BIN_DIR "/../libexec/hushnote/whisper-cli");
    if (!QFileInfo(engine).isExecutable())
        GTEST_SKIP() << "whisper-cli has not been built (scripts/build-whisper " HUSHNOTE_BIN_DIR "/../libexec/hushnote)";
    EXPECT_EQ(failureOf([&] { transcribe(engine); }), engineFailed);
    EXPECT_TRUE(workFolders().isEmpty());
}

} // namespace
