// The bundled whisper-cli itself, run through the program's transcriber with a generated model: a
// helper that renamed a flag or its JSON fields would fail here, not in every person's chunks.

#include "platform/Errors.h"
#include "processing/AudioChunk.h"
#include "services/EngineDevice.h"
#include "services/LocalTranscriber.h"
#include "services/SpokenLanguages.h"
#include "services/WhisperModels.h"
#include "support/AudioFixtures.h"
#include "support/GeneratedWhisper.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RealWhisperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GeneratedWhisper::helper().isEmpty())
            GTEST_SKIP() << GeneratedWhisper::skipReason().toStdString();
        GeneratedWhisper::install(m_models, m_model);
    }

    // A stand-in that notes its arguments in "calls", then runs the real helper with them and
    // the extra arguments.
    QString wrapper(const QByteArray &extra = {})
    {
        const QString path = m_dir.filePath(QStringLiteral("whisper-cli"));
        ServicesTest::writeFile(path, "#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(m_dir.filePath("calls"))
                                          + "'\nexec '" + QFile::encodeName(GeneratedWhisper::helper()) + "' \"$@\" "
                                          + extra + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QStringList calls() const
    {
        return QString::fromUtf8(ServicesTest::readAll(m_dir.filePath(QStringLiteral("calls")))).split(
            QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    ChunkTranscript transcribe(const QString &executable, const WhisperRun &run)
    {
        LocalTranscriber transcriber(m_models, executable);
        return TestSupport::runTask(transcriber.transcribe(m_wav, run));
    }

    QTemporaryDir m_dir;
    WhisperModel m_model = GeneratedWhisper::model(QStringLiteral("generated"));
    WhisperModels m_models{m_dir.filePath(QStringLiteral("models")), {m_model}, QUrl()};
    const QString m_speech = AudioFixtures::speech(QStringLiteral("wav"));
    const QByteArray m_wav = AudioChunk::wav(m_speech, 0, 60);
};

TEST_F(RealWhisperTest, TheHelperTakesEveryArgumentAndItsJsonIsRead)
{
    const QString helper = wrapper();
    const ChunkTranscript detected = transcribe(helper, {QStringLiteral("generated"), QStringLiteral("auto"), 2});
    ASSERT_TRUE(detected.language);
    EXPECT_TRUE(SpokenLanguages::isKnown(*detected.language)) << detected.language->toStdString();
    // The generated model says nonsense, but says it on the chunk's own timeline.
    ASSERT_FALSE(detected.segments.empty());
    for (const TimedText &segment : detected.segments) {
        EXPECT_LE(0, segment.start);
        EXPECT_LE(segment.start, segment.end);
        EXPECT_LE(segment.end, 30.0);
    }
    EXPECT_FALSE(detected.text.isEmpty());
    // The helper's own log says where it ran: here the CPU with the threads asked for, unless a
    // GPU build found a GPU.
    ASSERT_TRUE(EngineDevice::shared().last());
    if (EngineDevice::shared().last()->gpu.isEmpty())
        EXPECT_EQ(EngineDevice::shared().last()->threads, 2);

    // A language that is given is the one the helper works in.
    EXPECT_EQ(transcribe(helper, {QStringLiteral("generated"), QStringLiteral("de"), 1}).language, QStringLiteral("de"));
    const QStringList made = calls();
    ASSERT_EQ(made.size(), 2);
    EXPECT_TRUE(made[0].contains(QStringLiteral(" -l auto ")) && made[0].contains(QStringLiteral(" -t 2 ")));
    EXPECT_TRUE(made[1].contains(QStringLiteral(" -l de ")) && made[1].contains(QStringLiteral(" -t 1 ")));

    // The retry's loop-breaking arguments are taken too: the JSON is there to be read.
    EXPECT_TRUE(transcribe(wrapper("-et 2.8 -mc 0 -tp 0.2"), {QStringLiteral("generated"), QStringLiteral("en"), 1})
                    .language);
    // An argument the helper does not know makes it write nothing (with exit status 0), which
    // the transcriber reports instead of storing an empty chunk.
    EXPECT_EQ(ServicesTest::failureOf([&] { transcribe(wrapper("--no-such-flag"), {QStringLiteral("generated")}); }),
              QStringLiteral("转写结果无法读取。"));
}

} // namespace
