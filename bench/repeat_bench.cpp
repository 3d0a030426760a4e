// Looking for and cutting repetition loops in one chunk's transcript: an ordinary minute of
// speech, a minute that loops, and the largest text an engine may hand over (just under 4 MiB).
// Usage: repeat_bench
#include "services/RepeatGuard.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

double bestOfMs(int runs, const std::function<void()> &work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best) / 1e6;
}

// Text with no repeats: random common ideographs and punctuation.
QString speech(qsizetype length)
{
    QRandomGenerator random(42);
    QString text;
    text.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        text += random.bounded(12) == 0 ? QChar(u'，') : QChar(char16_t(0x4E00 + random.bounded(3000)));
    return text;
}

void report(const char *what, const QString &text)
{
    bool loops = false;
    const double find = bestOfMs(5, [&] { loops = RepeatGuard::loops(text); });
    const double cut = bestOfMs(3, [&] { RepeatGuard::collapse(text); });
    std::printf("%-34s %9lld chars  loops=%d  find %9.2f ms  cut %9.2f ms\n", what, (long long)text.size(), loops,
                find, cut);
}

} // namespace

int main()
{
    report("a minute of speech", speech(400));
    report("a minute that loops", speech(100) + QStringLiteral("谢谢大家观看。").repeated(60));
    report("2 MiB of speech (cloud limit)", speech(700'000));
    report("4 MiB of one loop (local limit)", QStringLiteral("谢谢大家观看。").repeated(190'000));
    return 0;
}
