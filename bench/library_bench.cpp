// Reading a large home library and searching it.
//   library_bench generate ROOT [notes] [segments] [characters]
//     writes ROOT/recordings with N notes (default 2,000) of 60 segments of about 1,000 mostly
//     Chinese characters (~380 MB of record.json), some segments with Latin words in capitals.
//   library_bench search ROOT
//     LibraryReader::read against python3 loading the same files with its json module, then the
//     first search and the following searches with short queries (target: under 50 ms a call).
// bench/library.sh times hushnote-cli itself against python3 on the generated library.
#include "BenchSupport.h"
#include "library/LibraryReader.h"
#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "library/SearchText.h"
#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

using BenchSupport::NoPrompts;

QString sentence(QRandomGenerator &random, int characters)
{
    static const QStringList words = {
        QStringLiteral("会议"), QStringLiteral("预算"), QStringLiteral("客户"), QStringLiteral("进度"),
        QStringLiteral("决定"), QStringLiteral("下一步"), QStringLiteral("我们"), QStringLiteral("项目"),
        QStringLiteral("时间表"), QStringLiteral("发布"), QStringLiteral("设计"), QStringLiteral("评审"),
        QStringLiteral("问题"), QStringLiteral("需要"), QStringLiteral("已经"), QStringLiteral("可以")};
    static const QStringList latin = {QStringLiteral(" API "), QStringLiteral(" Straße "), QStringLiteral(" OK ")};
    QString text;
    text.reserve(characters + 16);
    // One segment in ten carries a Latin word that case folding changes.
    if (random.bounded(10) == 0)
        text += latin[random.bounded(int(latin.size()))];
    while (text.size() < characters) {
        text += words[random.bounded(int(words.size()))];
        if (random.bounded(8) == 0)
            text += random.bounded(2) ? QStringLiteral("。") : QStringLiteral("，");
    }
    return text;
}

qint64 generate(const QString &root, int notes, int segments, int characters)
{
    QRandomGenerator random(42);
    qint64 bytes = 0;
    QDir().mkpath(root + QStringLiteral("/recordings"));
    for (int n = 0; n < notes; ++n) {
        Recording recording;
        recording.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        recording.title = QStringLiteral("Note %1").arg(n);
        recording.duration = segments * 60.0;
        recording.createdAt = QStringLiteral("2026-%1-%2T08:00:00Z")
                                  .arg(1 + n % 12, 2, 10, QLatin1Char('0'))
                                  .arg(1 + n % 28, 2, 10, QLatin1Char('0'));
        recording.summary = sentence(random, 400);
        recording.storedAudioName = QStringLiteral("audio.m4a");
        recording.completedChunks = segments;
        for (int s = 0; s < segments; ++s)
            recording.segments.push_back({QStringLiteral("s%1").arg(s), s * 60.0, s * 60.0 + 60,
                                          sentence(random, characters), QStringLiteral("A")});
        const QString folder = root + QStringLiteral("/recordings/") + recording.id;
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/record.json"));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file.fileName()));
        bytes += file.write(RecordCodec::encodeRecording(recording));
    }
    return bytes;
}

double pythonSeconds(const QString &folder)
{
    const QString script = QStringLiteral(
        "import json, os, sys, time\n"
        "d = sys.argv[1]\n"
        "t = time.perf_counter()\n"
        "notes = []\n"
        "for name in os.listdir(d):\n"
        "    if name.startswith('.'): continue\n"
        "    with open(os.path.join(d, name, 'record.json'), 'rb') as f:\n"
        "        notes.append(json.load(f))\n"
        "print(time.perf_counter() - t)\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, folder});
    python.waitForFinished(-1);
    return python.readAllStandardOutput().trimmed().toDouble();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        qFatal("usage: library_bench generate|search ROOT [notes] [segments] [characters]");
    const QString root = args[2];
    if (args[1] == QLatin1String("generate")) {
        const int notes = args.size() > 3 ? args[3].toInt() : 2000;
        const int segments = args.size() > 4 ? args[4].toInt() : 60;
        const int characters = args.size() > 5 ? args[5].toInt() : 1000;
        std::printf("generating %d notes x %d segments x %d characters...\n", notes, segments, characters);
        const qint64 bytes = generate(root, notes, segments, characters);
        std::printf("library: %.1f MB of record.json\n", double(bytes) / 1e6);
        return 0;
    }
    const int notes = int(QDir(root + QStringLiteral("/recordings")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());

    // Warm the page cache once, then take the median of three runs of each.
    pythonSeconds(root + QStringLiteral("/recordings"));
    std::vector<double> python, reader;
    for (int i = 0; i < 3; ++i) {
        python.push_back(pythonSeconds(root + QStringLiteral("/recordings")));
        QElapsedTimer timer;
        timer.start();
        const LibrarySnapshot snapshot = LibraryReader::read(root, true, true);
        reader.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (int(snapshot.recordings.size()) != notes)
            qFatal("read %zu notes, skipped %d", snapshot.recordings.size(), snapshot.skipped);
    }
    std::printf("read:   LibraryReader %.3f s, python3 json %.3f s, ratio %.2f (below 1: faster than python)\n",
                median(reader), median(python), median(reader) / median(python));

    NativeLibrary library(root);
    NoPrompts prompts;
    Workspace workspace(library, prompts, JobServices{}, true);
    QEventLoop loop;
    QObject::connect(&workspace, &Workspace::loadingChanged, &loop, &QEventLoop::quit);
    if (workspace.loading())
        loop.exec();

    // The workspace folds in the background after a load; searches start once that has landed.
    while (!workspace.isSearchIndexed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    const auto folded = SearchText::ofAll(workspace.records());
    const double folding = double(timer.nsecsElapsed()) / 1e6;
    const double foldingCpu = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    timer.restart();
    workspace.setQuery(QStringLiteral("会议"));
    const double first = double(timer.nsecsElapsed()) / 1e6;
    const QStringList queries = {QStringLiteral("预算"), QStringLiteral("ss"), QStringLiteral("决定"),
                                 QStringLiteral("xq"), QStringLiteral("客户")};
    const int calls = 20;
    timer.restart();
    for (int i = 0; i < calls; ++i)
        workspace.setQuery(queries[i % queries.size()]);
    const double perCall = double(timer.nsecsElapsed()) / 1e6 / calls;
    std::printf("filter: folding the library %.1f ms (%.1f ms of processor time; background, after each load), "
                "first search %.1f ms, then %.1f ms per call (target < 50 ms), %zu of %zu notes match the last query\n",
                folding, foldingCpu, first, perCall, workspace.filtered().size(), workspace.records().size());
    return 0;
}
