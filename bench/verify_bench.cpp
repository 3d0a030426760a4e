// Verifying a model file (size, then SHA-256 in 1 MiB blocks) against sha256sum on the same file.
// Usage: verify_bench [bytes]   (default: the size of the largest model, 487,601,967 bytes)
#include "services/WhisperModels.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <limits>
#include <cstdio>

namespace {

qint64 bestOf(int runs, const std::function<void()> &work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.elapsed());
    }
    return best;
}

QString sha256sum(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("sha256sum"), {path});
    process.waitForFinished(-1);
    return QString::fromLatin1(process.readAllStandardOutput().left(64));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 size = argc > 1 ? QByteArray(argv[1]).toLongLong() : 487601967;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("ggml-bench.bin"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 written = 0; written < size; written += block.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
            file.write(block.constData(), std::min<qint64>(block.size(), size - written));
        }
    }

    QString checksum = sha256sum(path); // also brings the file into the page cache for both runs
    const WhisperModel model{QStringLiteral("bench"), QStringLiteral("Bench"), size, checksum, {}, {}};
    const qint64 reference = bestOf(3, [&] { checksum = sha256sum(path); });
    const qint64 ours = bestOf(3, [&] { WhisperModels::verify(path, model); });

    std::printf("file: %lld bytes\n", static_cast<long long>(size));
    std::printf("sha256sum:            %lld ms\n", static_cast<long long>(reference));
    std::printf("WhisperModels::verify: %lld ms\n", static_cast<long long>(ours));
    std::printf("ratio verify/sha256sum: %.2f (target <= 1.10)\n", double(ours) / double(std::max<qint64>(reference, 1)));
    return 0;
}
