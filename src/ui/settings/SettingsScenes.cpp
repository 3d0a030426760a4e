// Screenshot scenes of the processing popover (idle, half transcribed, running) and of every
// section of the settings window, with the privacy, configuration and prompt sheets.
#include "ScreenshotScenes.h"

#include "library/Recording.h"
#include "platform/AppPaths.h"
#include "platform/FileUtil.h"
#include "services/EngineDevice.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "services/WhisperDownloadState.h"
#include "services/WhisperModels.h"
#include "workspace/Workspace.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTcpSocket>

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

// Answers every request on the loopback with one canned reply. With keepOpen the connection stays
// open after it: a transfer that stalls half way, so its progress can be seen.
class CannedServer {
public:
    CannedServer(QByteArray reply, bool keepOpen)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this, reply, keepOpen] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reply, keepOpen] {
                    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                    socket->setProperty("request", request);
                    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(reply);
                    if (!keepOpen)
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }

private:
    QTcpServer m_server;
};

QByteArray httpReply(const QByteArray &body, const QByteArray &type)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: close\r\n\r\n" + body;
}

// Scrolls a settings page to its end (the parts below the first screen).
void scrollToEnd(const SceneContext &context, const QString &page)
{
    if (QObject *found = named(context, page)) {
        if (auto *flickable = found->property("contentItem").value<QObject *>()) {
            const double end = flickable->property("contentHeight").toDouble() - flickable->property("height").toDouble();
            flickable->setProperty("contentY", std::max(0.0, end));
        }
    }
}

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

namespace {

// A summary on an Ollama "server" that takes the request and never answers: the job keeps running.
// Returns the processing popover, still open.
QCoro::Task<QObject *> startEndlessSummary(SceneContext context)
{
    static QTcpServer silent;
    if (!silent.isListening())
        silent.listen(QHostAddress::LocalHost);
    ModelConfiguration configuration = ModelConfiguration::load();
    configuration.summaryService = QStringLiteral("ollama");
    configuration.ollamaURL = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
    configuration.ollamaModel = QStringLiteral("qwen3:8b");
    configuration.save();
    co_await openPopover(context, Sample::WithMinutes);
    QObject *popover = named(context, QStringLiteral("processingPopover"));
    if (popover) {
        if (auto *model = popover->property("model").value<QObject *>())
            QMetaObject::invokeMethod(model, "startSummary");
    }
    co_await SceneContext::pause(300);
    co_return popover;
}

} // namespace

HUSHNOTE_SCREENSHOT_SCENE("processing-running", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> { co_await startEndlessSummary(context); },
                          QString(), false);

// The same running summary, its popover closed and the note's menu open: organizing goes on, only
// the trash waits for the job and says so.
HUSHNOTE_SCREENSHOT_SCENE("main-menu-job", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              QObject *popover = co_await startEndlessSummary(context);
                              if (popover)
                                  QMetaObject::invokeMethod(popover, "close");
                              co_await SceneContext::pause(200);
                              context.call(QStringLiteral("noteList"), "openMenuForSelected");
                              co_await SceneContext::pause(300);
                          },
                          QString(), false);

// As after a transcription on a machine with a graphics card.
HUSHNOTE_SCREENSHOT_SCENE("settings-local", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              EngineDevice::shared().report({QStringLiteral("NVIDIA GeForce RTX 3060"), 8});
                              co_await openSettings(context, 0);
                          },
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

// Whisper and Ollama both in use; the tiny model downloading from a hub that stalls after 12.4 MB.
HUSHNOTE_SCREENSHOT_SCENE("settings-download", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              const qint64 size = WhisperModels::builtInCatalogue().first().size;
                              static CannedServer hub("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                                      "Content-Length: " + QByteArray::number(size) + "\r\n\r\n"
                                                          + QByteArray(12'400'000, '\0'),
                                                      true);
                              static WhisperModels models({}, WhisperModels::builtInCatalogue(), QUrl(hub.base()));
                              static WhisperDownloadState downloads(models, [] { return QStringLiteral("tiny"); });
                              ModelConfiguration configuration = ModelConfiguration::load();
                              configuration.asrService = QStringLiteral("whisper");
                              configuration.summaryService = QStringLiteral("ollama");
                              configuration.ollamaModel = QStringLiteral("qwen3:8b");
                              configuration.save();
                              co_await openSettings(context, 0);
                              if (QObject *window = named(context, settingsWindow))
                                  window->setProperty("downloads", QVariant::fromValue<QObject *>(&downloads));
                              co_await SceneContext::pause(100);
                              downloads.run(QStringLiteral("tiny"), true);
                              co_await SceneContext::pause(1500);
                          },
                          settingsWindow, true);

// A configured Ollama model the server no longer lists: it stays offered, marked " · 待检测".
HUSHNOTE_SCREENSHOT_SCENE("settings-ollama", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              static CannedServer ollama(
                                  httpReply(R"({"models":[{"name":"qwen3:8b"},{"name":"gemma3:4b"}]})", "application/json"),
                                  false);
                              ModelConfiguration configuration = ModelConfiguration::load();
                              configuration.ollamaURL = ollama.base().chopped(1);
                              configuration.ollamaModel = QStringLiteral("llama3.1:8b");
                              configuration.save();
                              co_await openSettings(context, 0);
                              co_await SceneContext::pause(100);
                              if (QObject *settings = named(context, QStringLiteral("ollamaSettings")))
                                  QMetaObject::invokeMethod(settings, "refresh");
                              co_await SceneContext::pause(800);
                              scrollToEnd(context, QStringLiteral("localModelsPage"));
                              co_await SceneContext::pause(100);
                          },
                          settingsWindow, true);

// A check with no key anywhere fails on the transcription card; the summary card is left alone.
HUSHNOTE_SCREENSHOT_SCENE("settings-api-error", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openSettings(context, 1);
                              co_await SceneContext::pause(100);
                              if (QObject *card = named(context, QStringLiteral("transcriptionCloud")))
                                  QMetaObject::invokeMethod(card, "check");
                              co_await SceneContext::pause(800);
                          },
                          settingsWindow, true);

// "个人背景" past its limit: the red counter and the refusal of "保存偏好".
HUSHNOTE_SCREENSHOT_SCENE("settings-personalization-over", ScreenshotScene::Library::Sample,
                          [](SceneContext context) -> QCoro::Task<> {
                              co_await openSettings(context, 2);
                              co_await SceneContext::pause(100);
                              if (QObject *editor = named(context, QStringLiteral("preferencesEditor"))) {
                                  editor->setProperty("enabled", true);
                                  editor->setProperty("background", QString(1001, QChar(0x8bb0)));
                                  QMetaObject::invokeMethod(editor, "save");
                              }
                              co_await SceneContext::pause(100);
                          },
                          settingsWindow, true);
