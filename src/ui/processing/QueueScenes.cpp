// The processing queue's scenes for scripts/screenshots: several notes marked in the list, and
// the queue panel with a note of each state.
#include "shell/ScreenshotScenes.h"

#include "library/Recording.h"
#include "platform/Localization.h"
#include "processing/ProcessingQueue.h"
#include "workspace/Workspace.h"

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
