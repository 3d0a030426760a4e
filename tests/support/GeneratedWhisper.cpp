#include "support/GeneratedWhisper.h"

#include "support/AudioFixtures.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace GeneratedWhisper {

QString helper()
{
    const QString path = QStringLiteral(HUSHNOTE_BIN_DIR "/../libexec/hushnote/whisper-cli");
    return QFileInfo(path).isExecutable() ? QFileInfo(path).canonicalFilePath() : QString();
}

QString skipReason()
{
    return QStringLiteral("whisper-cli has not been built (scripts/build-whisper " HUSHNOTE_BIN_DIR
                          "/../libexec/hushnote)");
}

QString modelFile()
{
    // In a folder named by the generator's layout, so a fixture folder kept from an older one is
    // not reused.
    const QString path = AudioFixtures::folder() + QStringLiteral("/generator-2/generated-model.bin");
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        // Test programs running at once each write their own copy and rename it into place.
        const QString partial = path + QStringLiteral(".%1.partial").arg(QCoreApplication::applicationPid());
        AudioFixtures::run(QStringLiteral("python3"),
                           {QStringLiteral(HUSHNOTE_SOURCE_DIR "/tests/support/make-whisper-model"), partial});
        if (!QFile::rename(partial, path) && !QFileInfo::exists(path))
            ADD_FAILURE() << "could not place the generated model";
        QFile::remove(partial);
    }
    return path;
}

WhisperModel model(const QString &id)
{
    QFile file(modelFile());
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "the generated model cannot be read";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return {id, QStringLiteral("Generated"), file.size(), QString::fromLatin1(hash.result().toHex())};
}

void install(const WhisperModels &models, const WhisperModel &model)
{
    QDir().mkpath(models.root());
    QFile::remove(models.installedFile(model));
    if (!QFile::copy(modelFile(), models.installedFile(model)))
        ADD_FAILURE() << "could not install the generated model";
}

QString speechWithPause(double seconds)
{
    const QString path = AudioFixtures::folder() + QStringLiteral("/speech-pause-%1.wav").arg(seconds);
    if (QFileInfo::exists(path))
        return path;
    const QString words = AudioFixtures::speech(QStringLiteral("wav"));
    const QString partial = path + QStringLiteral(".%1.partial.wav").arg(QCoreApplication::applicationPid());
    const QString filter = QStringLiteral("[0:a]aresample=16000,apad=whole_dur=%1[a];[1:a]aresample=16000[b];"
                                          "[a][b]concat=n=2:v=0:a=1,aformat=channel_layouts=mono")
                               .arg(seconds);
    AudioFixtures::run(QStringLiteral("ffmpeg"),
                       {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                        QStringLiteral("-y"), QStringLiteral("-i"), words, QStringLiteral("-i"), words,
                        QStringLiteral("-filter_complex"), filter, QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
                        partial});
    QFile::rename(partial, path);
    QFile::remove(partial);
    return path;
}

} // namespace GeneratedWhisper
