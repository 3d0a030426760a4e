// A whole transcription job through the real whisper-cli with a generated model: two chunks, the
// language found in the first used for the second.

#include "processing/JobFixture.h"

#include "services/LocalTranscriber.h"
#include "services/SpokenLanguages.h"
#include "services/WhisperModels.h"
#include "support/GeneratedWhisper.h"
#include "support/ServicesTestHelpers.h"

#include <QFile>

namespace {

using JobTest::Fixture;

TEST(JobRealWhisper, TranscribesOnTheNotesTimelineAndPinsTheDetectedLanguage)
{
    if (GeneratedWhisper::helper().isEmpty())
        GTEST_SKIP() << GeneratedWhisper::skipReason().toStdString();
    Fixture f;
    QTemporaryDir dir;
    const WhisperModel model = GeneratedWhisper::model(f.configuration.localASRModel);
    WhisperModels models(dir.filePath(QStringLiteral("models")), {model}, QUrl());
    GeneratedWhisper::install(models, model);
    // The real helper behind a stand-in that notes each command line.
    const QString calls = dir.filePath(QStringLiteral("calls"));
    const QString helper = dir.filePath(QStringLiteral("whisper-cli"));
    ServicesTest::writeFile(helper, "#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(calls) + "'\nexec '"
                                        + QFile::encodeName(GeneratedWhisper::helper()) + "' \"$@\"\n");
    QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    LocalTranscriber transcriber(models, helper);
    f.timedTranscribe = [&](QByteArray wav, WhisperRun run, std::stop_token stop) {
        return transcriber.transcribe(std::move(wav), std::move(run), std::move(stop));
    };

    // Words, a pause, and the words again at 62 s: two chunks.
    const Recording note = f.importNote(GeneratedWhisper::speechWithPause(62));
    f.runJob(false, -1);
    ASSERT_FALSE(f.workspace->error()) << f.workspace->error()->toStdString();
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 2);
    ASSERT_TRUE(stored.spokenLanguage);
    EXPECT_TRUE(SpokenLanguages::isKnown(*stored.spokenLanguage));
    bool secondChunk = false;
    for (const Segment &segment : stored.segments) {
        EXPECT_LE(segment.start, segment.end);
        EXPECT_LE(segment.end, note.duration);
        // No segment crosses the chunk boundary at 60 s.
        EXPECT_TRUE(segment.end <= 60 || segment.start >= 60) << segment.start << "-" << segment.end;
        secondChunk = secondChunk || segment.start >= 60;
    }
    EXPECT_TRUE(secondChunk);

    const QStringList made =
        QString::fromUtf8(ServicesTest::readAll(calls)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(made.size(), 2);
    const QString threads = QStringLiteral(" -t %1 ").arg(LocalTranscriber::defaultThreads());
    EXPECT_TRUE(made.first().contains(QStringLiteral(" -l auto ")) && made.first().contains(threads)) << made.first().toStdString();
    EXPECT_TRUE(made.last().contains(QStringLiteral(" -l ") + *stored.spokenLanguage + QLatin1Char(' '))
                && made.last().contains(threads))
        << made.last().toStdString();
}

} // namespace
