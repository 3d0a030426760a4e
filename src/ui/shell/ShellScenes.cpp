// The main window's scenes for scripts/screenshots: an empty library, a list of notes, the trash
// and a library opened read-only.
#include "ScreenshotScenes.h"

#include "library/Recording.h"
#include "workspace/Workspace.h"

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
