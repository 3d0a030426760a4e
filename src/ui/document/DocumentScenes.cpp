// The document view's scenes for scripts/screenshots: the transcript with a row being heard, the
// summary with headings, search hits, the note editor sheet and a playing player bar.
#include "shell/ScreenshotScenes.h"

#include "library/Recording.h"
#include "playback/AudioController.h"
#include "workspace/Workspace.h"

#include <QQuickItem>

namespace {

// Selects the sample note with the most transcript (the weekly meeting) and waits for its audio.
QCoro::Task<> openWeeklyNote(SceneContext context)
{
    const Recording *best = nullptr;
    for (const Recording &record : context.workspace->records()) {
        if (record.isLive() && (!best || record.segments.size() > best->segments.size()))
            best = &record;
    }
    if (best)
        context.workspace->setSelectedID(best->id);
    for (int i = 0; i < 50 && context.audio->loading(); ++i)
        co_await SceneContext::pause(100);
}

// Puts the play head in the middle of the second segment, so its row is the active one.
void hearSecondSegment(SceneContext context)
{
    const std::optional<Recording> note = context.workspace->selectedRecord();
    if (note && note->segments.size() > 1) {
        const Segment &segment = note->segments[1];
        context.audio->seek((segment.start + segment.end) / 2);
    }
}

} // namespace

HUSHNOTE_SCREENSHOT_SCENE("document-transcript", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              hearSecondSegment(context);
                          });

HUSHNOTE_SCREENSHOT_SCENE("document-summary", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              context.call(QStringLiteral("documentArea"), "showTab", {true});
                          });

HUSHNOTE_SCREENSHOT_SCENE("document-search", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              // A word of the second segment ("播放器" in the sample).
                              const std::optional<Recording> note = context.workspace->selectedRecord();
                              if (note && note->segments.size() > 1)
                                  context.workspace->setQuery(note->segments[1].text.mid(13, 3));
                          });

HUSHNOTE_SCREENSHOT_SCENE("document-editor", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              context.call(QStringLiteral("documentArea"), "openEditor");
                              co_await SceneContext::pause(300);
                          });

HUSHNOTE_SCREENSHOT_SCENE("player-playing", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              context.audio->setRate(1.25f);
                              hearSecondSegment(context);
                              context.audio->toggle();
                              co_await SceneContext::pause(400);
                          });

HUSHNOTE_SCREENSHOT_SCENE("document-no-transcript", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              for (const Recording &record : context.workspace->records()) {
                                  if (record.isLive() && record.segments.empty())
                                      context.workspace->setSelectedID(record.id);
                              }
                              co_return;
                          });

HUSHNOTE_SCREENSHOT_SCENE("document-export", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              if (QQuickItem *button = context.find(QStringLiteral("exportButton")))
                                  QMetaObject::invokeMethod(button, "clicked");
                              co_await SceneContext::pause(300);
                          });

// A note from elsewhere: a very long title holding markup, and a summary mixing the emphasis the
// view draws with markup and images it shows as typed.
HUSHNOTE_SCREENSHOT_SCENE("document-untrusted", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openWeeklyNote(context);
                              std::optional<Recording> note = context.workspace->selectedRecord();
                              if (!note)
                                  co_return;
                              note->title = QStringLiteral("<b>Bold</b> title ").repeated(400);
                              note->summary = QStringLiteral(
                                  "## Points\n\n**bold**, *italic*, `code` and [link text](http://127.0.0.1/x)\n"
                                  "![image](http://127.0.0.1/s.png) <img src=\"http://127.0.0.1/t.png\"> "
                                  "<http://127.0.0.1/auto>\n  an indented line");
                              Recording edited = *note;
                              co_await context.workspace->saveEdits(edited);
                              context.call(QStringLiteral("documentArea"), "showTab", {true});
                          });
