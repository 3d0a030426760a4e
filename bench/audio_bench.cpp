// Audio speed: one transcription window against the ffmpeg command line, waveform peaks against a
// plain ffmpeg decode, and an import against cp. Every figure is a ratio to a reference measured in
// the same run. The test audio is generated once into the folder given as the first argument
// (default: ./audio-bench-data) and reused by later runs.
//   - a 60 s window from the middle of a 2-hour MP3 and a 2-hour M4A vs
//     `ffmpeg -ss S -t 60 -i FILE -ar 16000 -ac 1 -f s16le -` (process start-up included);
//     and the time for the last window of a 12-hour file
//   - peaks of a 1-hour stereo MP3 vs `ffmpeg -i FILE -f null -` (target <= 1.2x), peak RSS (< 64 MB)
//   - importing a ~500 MB file vs cp (target <= 1.2x)
#include "library/NativeLibrary.h"
#include "playback/WaveformReader.h"
#include "processing/AudioChunk.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QCoroTask>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

QString dataFolder;

void runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForStarted(-1);
    process.closeWriteChannel();
    while (!process.waitForFinished(50))
        process.readAllStandardOutput();
    process.readAllStandardOutput();
    if (process.exitCode() != 0)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAllStandardError().constData());
}

QString generate(const QString &name, const QStringList &arguments)
{
    const QString path = dataFolder + QLatin1Char('/') + name;
    if (QFileInfo::exists(path))
        return path;
    std::printf("generating %s ...\n", qPrintable(name));
    std::fflush(stdout);
    const QString partial = dataFolder + QStringLiteral("/partial-") + name;
    runProgram(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-loglevel"), QStringLiteral("error"),
                                                     QStringLiteral("-y")} + arguments + QStringList{partial});
    QFile::rename(partial, path);
    return path;
}

QStringList sine(int seconds, int rate, int channels)
{
    const QString source = QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds);
    QStringList arguments{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source};
    if (channels == 2)
        arguments += {QStringLiteral("-ac"), QStringLiteral("2")};
    return arguments;
}

// Median of three runs, in milliseconds.
double timed(const std::function<void()> &work)
{
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        runs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void report(const char *what, double ours, double reference, const char *target)
{
    std::printf("%-46s ours %8.1f ms  reference %8.1f ms  ratio %.2fx %s\n", what, ours, reference, ours / reference,
                target);
}

void windows(const QString &path, const char *label)
{
    const double start = 3600 - 30;
    const double ours = timed([&] { AudioChunk::wav(path, start, 60); });
    const double reference = timed([&] {
        runProgram(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-ss"), QString::number(start),
                    QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-i"), path, QStringLiteral("-ar"),
                    QStringLiteral("16000"), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-f"),
                    QStringLiteral("s16le"), QStringLiteral("-")});
    });
    report(label, ours, reference, "(ffmpeg command line)");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    dataFolder = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("audio-bench-data")).absolutePath();
    QDir().mkpath(dataFolder);

    const QString hourMp3 = generate(QStringLiteral("1h-stereo.mp3"),
                                     sine(3600, 44100, 2) + QStringList{QStringLiteral("-b:a"), QStringLiteral("128k")});
    const QString twoHourMp3 = generate(QStringLiteral("2h.mp3"),
                                        sine(7200, 44100, 2) + QStringList{QStringLiteral("-b:a"), QStringLiteral("96k")});
    const QString twoHourM4a = generate(QStringLiteral("2h.m4a"),
                                        sine(7200, 44100, 2) + QStringList{QStringLiteral("-c:a"), QStringLiteral("aac"),
                                                                           QStringLiteral("-b:a"), QStringLiteral("64k")});
    const QString twelveHours = generate(QStringLiteral("12h.mp3"),
                                         sine(43200, 8000, 1) + QStringList{QStringLiteral("-b:a"), QStringLiteral("8k")});
    const QString big = generate(QStringLiteral("500MB.wav"), sine(2700, 48000, 2));

    // Peaks first, so the peak RSS reflects them and not the later work.
    const long rssBefore = peakRssKiB();
    const double peaks = timed([&] { WaveformReader::read(hourMp3, 640); });
    const long rssAfter = peakRssKiB();
    const double decode = timed([&] {
        runProgram(QStringLiteral("ffmpeg"), {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"),
                                              hourMp3, QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    });
    report("peaks, 1-hour stereo MP3", peaks, decode, "(ffmpeg -f null; target <= 1.2x)");
    std::printf("%-46s %ld MiB (process before: %ld MiB; target < 64 MB)\n", "peak RSS after peaks", rssAfter / 1024,
                rssBefore / 1024);

    windows(twoHourMp3, "60 s window, middle of a 2-hour MP3");
    windows(twoHourM4a, "60 s window, middle of a 2-hour M4A");
    const double last = timed([&] { AudioChunk::wav(twelveHours, 43200 - 60, 60); });
    std::printf("%-46s ours %8.1f ms\n", "last 60 s window of a 12-hour MP3", last);

    QTemporaryDir target(dataFolder + QStringLiteral("/import-XXXXXX"));
    NativeLibrary library(target.path() + QStringLiteral("/Library"));
    int copies = 0;
    const double copy = timed([&] {
        runProgram(QStringLiteral("cp"), {big, target.path() + QStringLiteral("/cp-%1.wav").arg(copies++)});
    });
    const double import = timed([&] { QCoro::waitFor(library.importAudio(big, std::nullopt)); });
    // The import flushes its copy to disk before the note becomes visible; cp alone only reaches the
    // page cache, so it is measured both ways.
    const double durable = timed([&] {
        const QString copied = target.path() + QStringLiteral("/cp-%1.wav").arg(copies++);
        runProgram(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$1\" \"$2\" && sync \"$2\""),
                                          QStringLiteral("sh"), big, copied});
    });
    report("import of a ~500 MB WAV", import, copy, "(cp; target <= 1.2x)");
    report("import of a ~500 MB WAV", import, durable, "(cp && sync FILE; same durability)");
    return 0;
}
