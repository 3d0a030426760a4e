// Screenshot scenes of the processing popover (idle, half transcribed, running) and of every
// section of the settings window, with the privacy, configuration and prompt sheets.
#include "ScreenshotScenes.h"

#include "library/Recording.h"
#include "platform/AppPaths.h"
#include "platform/FileUtil.h"
#include "services/ModelConfiguration.h"
#include "processing/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>

namespace {

QObject *named(const SceneContext &context, const QString &objectName)
{
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->objectName() == objectName)
            return window;
        if (QObject *found = window->findChild<QObject *>(objectName))
            return found;
    }
    return context.find(objectName);
}

// The sample library's voice memo (nothing transcribed yet) or its first note with minutes.
enum class Sample { Memo, WithMinutes };

std::optional<Recording> sampleNote(const Workspace &workspace, Sample which)
{
    for (const Recording &recording : workspace.records()) {
        if (!recording.isLive())
            continue;
        if (which == Sample::Memo ? recording.segments.empty() : !recording.summary.isEmpty())
            return recording;
    }
    return std::nullopt;
}

QCoro::Task<> openPopover(SceneContext context, Sample which)
{
    if (const std::optional<Recording> note = sampleNote(*context.workspace, which))
        context.workspace->setSelectedID(note->id);
    co_await SceneContext::pause(100);
    if (QObject *popover = named(context, QStringLiteral("processingPopover")))
        QMetaObject::invokeMethod(popover, "open");
}

// Makes the memo a long recording with 3 of its 13 chunks transcribed.
QCoro::Task<> halfTranscribe(SceneContext context)
{
    const std::optional<Recording> memo = sampleNote(*context.workspace, Sample::Memo);
    if (!memo)
        co_return;
    const QString path = AppPaths::homeLibrary() + QStringLiteral("/recordings/") + memo->id + QStringLiteral("/record.json");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        co_return;
    QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    record[QStringLiteral("duration")] = 754.0;
    record[QStringLiteral("completedChunks")] = 3;
    FileUtil::writeAtomically(path, QJsonDocument(record).toJson(), 0600);
    context.workspace->loadHome();
    co_await context.workspace->whenIdle();
}

QCoro::Task<> openSettings(SceneContext context, int section)
{
    QMetaObject::invokeMethod(context.window, "openSettings");
    co_await SceneContext::pause(100);
    if (QObject *window = named(context, QStringLiteral("settingsWindow")))
        QMetaObject::invokeMethod(window, "showSection", Q_ARG(QVariant, section));
}

const QString settingsWindow = QStringLiteral("settingsWindow");

} // namespace

HUSHNOTE_SCREENSHOT_SCENE("processing-idle", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openPopover(context, Sample::Memo);
                          },
                          QString(), true);

HUSHNOTE_SCREENSHOT_SCENE("processing-half", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await halfTranscribe(context);
                              co_await openPopover(context, Sample::Memo);
                          },
                          QString(), true);

HUSHNOTE_SCREENSHOT_SCENE("processing-done", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              SummaryPreferences preferences;
                              preferences.enabled = true;
                              preferences.save();
                              co_await openPopover(context, Sample::WithMinutes);
                          },
                          QString(), true);

HUSHNOTE_SCREENSHOT_SCENE("processing-readonly", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              context.workspace->openLibrary(SceneContext::foreignLibrary());
                              co_await context.workspace->whenIdle();
                              co_await openPopover(context, Sample::WithMinutes);
                          },
                          QString(), true);

// A summary on an Ollama "server" that takes the request and never answers: the job keeps running.
HUSHNOTE_SCREENSHOT_SCENE("processing-running", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              static QTcpServer silent;
                              silent.listen(QHostAddress::LocalHost);
                              ModelConfiguration configuration = ModelConfiguration::load();
                              configuration.summaryService = QStringLiteral("ollama");
                              configuration.ollamaURL = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
                              configuration.ollamaModel = QStringLiteral("qwen3:8b");
                              configuration.save();
                              co_await openPopover(context, Sample::WithMinutes);
                              if (QObject *popover = named(context, QStringLiteral("processingPopover"))) {
                                  if (auto *model = popover->property("model").value<QObject *>())
                                      QMetaObject::invokeMethod(model, "startSummary");
                              }
                              co_await SceneContext::pause(300);
                          },
                          QString(), false);

HUSHNOTE_SCREENSHOT_SCENE("settings-local", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 0); },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-api", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 1); },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-personalization", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 2); },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-templates", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 3); },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-language", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 4); },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-about", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await openSettings(context, 5); },
                          settingsWindow, true);

// The sheets of the about and templates sections.
QCoro::Task<> openSheet(SceneContext context, int section, QString sheet, const char *function, QVariant argument)
{
    co_await openSettings(context, section);
    co_await SceneContext::pause(100);
    QObject *found = named(context, sheet);
    if (found && argument.isValid())
        QMetaObject::invokeMethod(found, function, Q_ARG(QVariant, argument));
    else if (found)
        QMetaObject::invokeMethod(found, function);
}

HUSHNOTE_SCREENSHOT_SCENE("settings-privacy", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openSheet(context, 5, QStringLiteral("privacySheet"), "open", QVariant());
                          },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-configuration", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openSheet(context, 5, QStringLiteral("configurationSheet"), "openEditor", QVariant());
                          },
                          settingsWindow, true);
HUSHNOTE_SCREENSHOT_SCENE("settings-prompt", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              const QVariant weekly(QStringLiteral("weekly"));
                              co_await openSheet(context, 3, QStringLiteral("promptSheet"), "openFor", weekly);
                          },
                          settingsWindow, true);
