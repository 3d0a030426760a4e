// The processing queue's scenes for scripts/screenshots: several notes marked in the list, the
// queue panel with a note of each state, and the queue's card at the foot of "本地模型".
#include "shell/ScreenshotScenes.h"

#include "library/Recording.h"
#include "platform/Localization.h"
#include "processing/ProcessingQueue.h"
#include "workspace/Workspace.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QWindow>

HUSHNOTE_SCREENSHOT_SCENE("main-multiselect", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              context.call(QStringLiteral("sidebar"), "selectAll");
                              co_await SceneContext::pause(200);
                          });

// The queue as the command line would leave it halfway: done, running, failed, stopped, waiting.
HUSHNOTE_SCREENSHOT_SCENE("main-queue", ScreenshotScene::Library::Sample, [](SceneContext context) -> QCoro::Task<> {
    const QStringList states{QueueItem::done, QueueItem::running, QueueItem::failed, QueueItem::stopped,
                             QueueItem::waiting};
    ProcessingQueue().update([&](QueueContents &contents) {
        contents.items.clear();
        for (const Recording &note : context.workspace->filtered()) {
            if (contents.items.size() == size_t(states.size()))
                break;
            const QString state = states[qsizetype(contents.items.size())];
            const QString message = state == QueueItem::failed ? L(QStringLiteral("模型服务请求失败")) : QString();
            contents.items.push_back(QueueItem{note.id, false, state, message});
        }
    });
    co_await SceneContext::pause(300);
    context.call(QStringLiteral("queueChip"), "openPanel");
    co_await SceneContext::pause(300);
});

HUSHNOTE_SCREENSHOT_SCENE(
    "settings-queue", ScreenshotScene::Library::Sample,
    [](SceneContext context) -> QCoro::Task<> {
        QMetaObject::invokeMethod(context.window, "openSettings");
        co_await SceneContext::pause(100);
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->objectName() == QLatin1String("settingsWindow"))
                QMetaObject::invokeMethod(window, "showSection", Q_ARG(QVariant, 0));
        }
        co_await SceneContext::pause(200);
        // The page scrolled to its end, where the queue's card is.
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            auto *page = window->findChild<QQuickItem *>(QStringLiteral("localModelsPage"));
            auto *flickable = page ? page->property("contentItem").value<QQuickItem *>() : nullptr;
            if (flickable) {
                flickable->setProperty("contentY", flickable->property("contentHeight").toReal() - flickable->height());
            }
        }
        co_await SceneContext::pause(200);
    },
    QStringLiteral("settingsWindow"), true);
