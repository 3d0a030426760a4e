#include "ScreenshotRunner.h"

#include "ScreenshotScenes.h"
#include "workspace/Workspace.h"

#include <QCoroSignal>
#include <QGuiApplication>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTextStream>

#include <cstdio>

namespace {

QQuickWindow *windowNamed(QQmlApplicationEngine *engine, const QString &objectName)
{
    if (objectName.isEmpty()) {
        const QList<QObject *> roots = engine->rootObjects();
        return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
    }
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto *quick = qobject_cast<QQuickWindow *>(window); quick && quick->objectName() == objectName)
            return quick;
    }
    return nullptr;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "hushnote: %s\n", qPrintable(message));
    return 1;
}

} // namespace

void ScreenshotRunner::list()
{
    QTextStream out(stdout);
    for (const ScreenshotScene &scene : ScreenshotScenes::all())
        out << scene.name << '\t' << (scene.library == ScreenshotScene::Library::Empty ? "empty" : "sample") << '\n';
}

QCoro::Task<int> ScreenshotRunner::run(QString scene, QString output, QQmlApplicationEngine *engine,
                                       Workspace *workspace, AudioController *audio)
{
    const ScreenshotScene *entry = ScreenshotScenes::find(scene);
    if (!entry)
        co_return fail(QStringLiteral("no screenshot scene named %1").arg(scene));
    SceneContext context{windowNamed(engine, {}), engine, workspace, audio};
    if (!context.window)
        co_return fail(QStringLiteral("the main window did not open"));
    co_await workspace->whenIdle();
    co_await SceneContext::pause(300);
    co_await entry->drive(context);
    if (entry->waitsForIdle)
        co_await workspace->whenIdle();
    // Popups, animations and the waveform read settle.
    co_await SceneContext::pause(700);
    QQuickWindow *target = windowNamed(engine, entry->windowObjectName);
    if (!target)
        co_return fail(QStringLiteral("no window named %1").arg(entry->windowObjectName));
    const QImage picture = target->grabWindow();
    if (picture.isNull() || !picture.save(output))
        co_return fail(QStringLiteral("could not save %1").arg(output));
    co_return 0;
}
