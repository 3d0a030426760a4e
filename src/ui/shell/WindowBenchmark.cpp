#include "WindowBenchmark.h"

#include "workspace/Workspace.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QElapsedTimer>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

QCoro::Task<> WindowBenchmark::run(QQmlApplicationEngine *engine, Workspace *workspace, bool keystrokes)
{
    auto *window = qobject_cast<QQuickWindow *>(engine->rootObjects().value(0));
    if (!window) {
        QCoreApplication::exit(1);
        co_return;
    }
    co_await qCoro(window, &QQuickWindow::frameSwapped);
    if (!keystrokes) {
        QCoreApplication::exit(0);
        co_return;
    }

    // Each keystroke of typing two words ("meet", "会议") and deleting them again, timed to its
    // frame on screen.
    const QStringList queries = {QStringLiteral("m"),  QStringLiteral("me"),  QStringLiteral("mee"),
                                    QStringLiteral("meet"), QStringLiteral("mee"), QStringLiteral("me"),
                                    QStringLiteral("m"),  QString(),             QStringLiteral(u"\u4f1a"),
                                    QStringLiteral(u"\u4f1a\u8bae"), QStringLiteral(u"\u4f1a"), QString()};
    std::vector<double> milliseconds;
    for (const QString &query : queries) {
        QElapsedTimer timer;
        timer.start();
        workspace->setQuery(query);
        window->update();
        co_await qCoro(window, &QQuickWindow::frameSwapped);
        milliseconds.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("keystroke-ms median %.1f max %.1f (%zu notes)\n", milliseconds[milliseconds.size() / 2],
                milliseconds.back(), workspace->records().size());
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
