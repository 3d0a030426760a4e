// The main window's scenes for scripts/screenshots: an empty library, a list of notes, the trash,
// a library opened read-only, a note's menu over a notice, and the error alert.
#include "ScreenshotScenes.h"

#include "library/Recording.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QDir>

HUSHNOTE_SCREENSHOT_SCENE("main-empty", ScreenshotScene::Library::Empty,
                          [](SceneContext) -> QCoro::Task<> { co_return; });

HUSHNOTE_SCREENSHOT_SCENE("main-notes", ScreenshotScene::Library::Sample,
                          [](SceneContext) -> QCoro::Task<> { co_return; });

HUSHNOTE_SCREENSHOT_SCENE("main-trash", ScreenshotScene::Library::Sample, [](SceneContext context) -> QCoro::Task<> {
    context.call(QStringLiteral("sidebar"), "chooseScope", {QStringLiteral("trash"), QString()});
    co_return;
});

HUSHNOTE_SCREENSHOT_SCENE("main-readonly", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              context.workspace->openLibrary(SceneContext::foreignLibrary());
                              co_return;
                          });

// The second note's menu, opened from the keyboard, above the notice line.
HUSHNOTE_SCREENSHOT_SCENE("main-menu", ScreenshotScene::Library::Sample, [](SceneContext context) -> QCoro::Task<> {
    const FilteredNotes &records = context.workspace->filtered();
    if (records.size() > 1)
        context.workspace->setSelectedID(records[1].id);
    context.workspace->setNotice(L(QStringLiteral("修改已保存。")));
    co_await SceneContext::pause(100);
    context.call(QStringLiteral("noteList"), "openMenuForSelected");
    co_await SceneContext::pause(300);
});

// A library folder that is not there: the alert says why.
HUSHNOTE_SCREENSHOT_SCENE("main-alert", ScreenshotScene::Library::Sample, [](SceneContext context) -> QCoro::Task<> {
    context.workspace->openLibrary(QDir::home().filePath(QStringLiteral("Missing library")));
    co_await context.workspace->whenIdle();
    co_await SceneContext::pause(300);
});
