// The recording's screenshot scenes: the record button's popover, and a recording of both
// sources under way (shown without a sound server).
#include "ScreenshotScenes.h"

#include "app/DesktopApp.h"
#include "recorder/RecordingModel.h"

HUSHNOTE_SCREENSHOT_SCENE("main-record-popover", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              DesktopApp::current()->recording().setSources(2);
                              context.call(QStringLiteral("sidebar"), "openRecordPopover");
                              co_await SceneContext::pause(300);
                          });

HUSHNOTE_SCREENSHOT_SCENE("main-recording", ScreenshotScene::Library::Sample,
                          [](SceneContext) -> QCoro::Task<> {
                              RecordingModel &recording = DesktopApp::current()->recording();
                              recording.setSources(2);
                              recording.showSample(754, 0.02, 0.25);
                              co_await SceneContext::pause(200);
                          });
