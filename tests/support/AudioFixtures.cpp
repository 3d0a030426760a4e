#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace AudioFixtures {

namespace {

QString codecArguments(const QString &extension)
{
    if (extension == QLatin1String("mp3"))
        return QStringLiteral("-c:a libmp3lame -b:a 64k");
    if (extension == QLatin1String("m4a"))
        return QStringLiteral("-c:a aac -b:a 64k");
    if (extension == QLatin1String("flac"))
        return QStringLiteral("-c:a flac");
    if (extension == QLatin1String("ogg"))
        return QStringLiteral("-c:a libopus -b:a 48k");
    return QStringLiteral("-c:a pcm_s16le");
}

// Generates the file once: into a temporary name first, so a failed run leaves nothing reusable.
QString generate(const QString &name, const QStringList &arguments)
{
    const QString path = folder() + QLatin1Char('/') + name;
    if (QFileInfo::exists(path))
        return path;
    const QString partial = folder() + QStringLiteral("/partial-") + name;
    QStringList all{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                    QStringLiteral("-y")};
    all += arguments;
    all << partial;
    run(QStringLiteral("ffmpeg"), all);
    if (!QFile::rename(partial, path))
        ADD_FAILURE() << "could not place " << name.toStdString();
    return path;
}

} // namespace

QString folder()
{
    static QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/hushnote-audio-XXXXXX"));
    return directory.path();
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return {};
    }
    process.closeWriteChannel();
    QByteArray output;
    while (!process.waitForFinished(100))
        output += process.readAllStandardOutput();
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return output;
}

QString tone(const QString &extension, double seconds, int rate, int channels)
{
    const QString name = QStringLiteral("tone-%1s-%2Hz-%3ch.%4").arg(seconds).arg(rate).arg(channels).arg(extension);
    // A gliding tone: every window sounds different, so a misplaced window shows.
    const QString left = QStringLiteral("0.2*sin(2*PI*(300+40*t)*t)");
    const QString right = QStringLiteral("0.8*sin(2*PI*(500+25*t)*t)");
    const QString expression = channels == 1 ? QStringLiteral("0.5*sin(2*PI*(300+40*t)*t)") : left + QLatin1Char('|') + right;
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("aevalsrc=%1:s=%2:d=%3").arg(expression).arg(rate).arg(seconds)};
    arguments += codecArguments(extension).split(QLatin1Char(' '));
    return generate(name, arguments);
}

QString speech(const QString &extension)
{
    const QString spoken = folder() + QStringLiteral("/speech-source.wav");
    if (!QFileInfo::exists(spoken))
        run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), spoken,
                                          QStringLiteral("Minutes of the meeting. We agreed to ship on Friday.")});
    QStringList arguments{QStringLiteral("-i"), spoken};
    arguments += codecArguments(extension).split(QLatin1Char(' '));
    return generate(QStringLiteral("speech.") + extension, arguments);
}

QString video(bool withSound)
{
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("testsrc=size=64x48:rate=10:duration=3")};
    if (withSound)
        arguments += {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                      QStringLiteral("sine=frequency=440:sample_rate=44100:duration=3"), QStringLiteral("-c:a"),
                      QStringLiteral("aac")};
    arguments += {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-shortest")};
    return generate(withSound ? QStringLiteral("video-with-sound.mp4") : QStringLiteral("video-only.mp4"), arguments);
}

QString truncated()
{
    const QString path = folder() + QStringLiteral("/truncated.m4a");
    if (!QFileInfo::exists(path)) {
        QFile source(tone(QStringLiteral("m4a"), 20, 44100, 2));
        source.open(QIODevice::ReadOnly);
        const QByteArray bytes = source.readAll();
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(bytes.left(bytes.size() / 2));
    }
    return path;
}

QString empty()
{
    const QString path = folder() + QStringLiteral("/empty.wav");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

QString textAsMp3()
{
    const QString path = folder() + QStringLiteral("/notes.mp3");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("These are my notes, not a song.\n");
    return path;
}

QString namedPipe()
{
    const QString path = folder() + QStringLiteral("/pipe.mp3");
    if (!QFileInfo::exists(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        ADD_FAILURE() << "mkfifo failed";
    return path;
}

QString symbolicLink()
{
    const QString path = folder() + QStringLiteral("/link.wav");
    if (!QFileInfo::exists(path))
        QFile::link(tone(QStringLiteral("wav"), 2, 16000, 1), path);
    return path;
}

QString flacStating(qint64 frames)
{
    const QString path = folder() + QStringLiteral("/stating-%1.flac").arg(frames);
    QFile source(tone(QStringLiteral("flac"), 1, 8000, 1));
    source.open(QIODevice::ReadOnly);
    QByteArray bytes = source.readAll();
    // STREAMINFO follows "fLaC" and its 4-byte block header; the 36-bit total sample count sits in
    // its bytes 13 (low four bits) to 17.
    const int info = 8;
    if (bytes.size() < info + 18 || !bytes.startsWith("fLaC")) {
        ADD_FAILURE() << "unexpected FLAC layout";
        return path;
    }
    auto *raw = reinterpret_cast<unsigned char *>(bytes.data() + info);
    raw[13] = (raw[13] & 0xF0) | ((frames >> 32) & 0x0F);
    qToBigEndian(quint32(frames & 0xFFFFFFFF), raw + 14);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return path;
}

namespace {
QByteArray wavHeader(quint32 data, int rate, int channels)
{
    QByteArray head;
    auto put32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); head.append(b, 4); };
    auto put16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); head.append(b, 2); };
    head.append("RIFF");
    put32(data + 36);
    head.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(quint16(channels));
    put32(quint32(rate));
    put32(quint32(rate * channels * 2));
    put16(quint16(channels * 2));
    put16(16);
    head.append("data");
    put32(data);
    return head;
}
} // namespace

QString silentWavOfSize(qint64 bytes)
{
    const QString path = folder() + QStringLiteral("/silent-%1.wav").arg(bytes);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(wavHeader(quint32(bytes - 44), 8000, 1));
    out.resize(bytes);
    return path;
}

QString wavWithSamples(const QString &name, int rate, int channels, const std::vector<qint16> &samples)
{
    const QString path = folder() + QLatin1Char('/') + name;
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(wavHeader(quint32(samples.size() * 2), rate, channels));
    QByteArray raw(qsizetype(samples.size() * 2), Qt::Uninitialized);
    qToLittleEndian<qint16>(samples.data(), qsizetype(samples.size()), raw.data());
    out.write(raw);
    return path;
}

std::vector<qint16> ffmpegWindow(const QString &path, double start, double duration, bool decodeFromStart)
{
    const QStringList window{QStringLiteral("-ss"), QString::number(start, 'f', 6), QStringLiteral("-t"),
                             QString::number(duration, 'f', 6)};
    QStringList arguments{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error")};
    if (decodeFromStart)
        arguments << QStringLiteral("-i") << path << window;
    else
        arguments << window << QStringLiteral("-i") << path;
    arguments << QStringLiteral("-ar") << QStringLiteral("16000") << QStringLiteral("-ac") << QStringLiteral("1")
              << QStringLiteral("-f") << QStringLiteral("s16le") << QStringLiteral("-");
    const QByteArray raw = run(QStringLiteral("ffmpeg"), arguments);
    std::vector<qint16> samples(std::size_t(raw.size() / 2));
    qFromLittleEndian<qint16>(raw.constData(), qsizetype(samples.size()), samples.data());
    return samples;
}

std::vector<qint16> samplesOf(const QByteArray &wav)
{
    if (wav.size() < 44)
        return {};
    std::vector<qint16> samples(std::size_t((wav.size() - 44) / 2));
    qFromLittleEndian<qint16>(wav.constData() + 44, qsizetype(samples.size()), samples.data());
    return samples;
}

} // namespace AudioFixtures
