// The real main window on a home library whose every shown text is markup that would load
// images from a loopback server: nothing is fetched, and the texts reach the accessibility tree
// as typed. A window needs a QGuiApplication, so this file has its own main.
#include "../library/LibraryFixture.h"

#include "app/DesktopPrompts.h"
#include "app/OfflineNetwork.h"
#include "app/QmlForeignTypes.h"
#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "platform/Preferences.h"
#include "playback/AudioController.h"
#include "services/WhisperDownloadState.h"
#include "support/FakeHttpServer.h"
#include "support/TaskRunner.h"
#include "support/TestHome.h"
#include "workspace/Workspace.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

using TestSupport::waitUntil;

namespace {

const QString noteID = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");
const QString projectID = QStringLiteral("0C0C0C0C-0000-4000-8000-00000000000C");

class HostileLibraryTest : public ::testing::Test {
protected:
    TestSupport::FakeHttpServer server;
    QTemporaryDir home;
    std::unique_ptr<NativeLibrary> library;
    DesktopPrompts prompts;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<AudioController> audio;
    std::unique_ptr<QueueController> queue;
    std::unique_ptr<RecordingModel> recording;

    QString image(const char *name) const
    {
        return QStringLiteral("<img src=\"%1/%2.png\">").arg(server.origin(), QLatin1String(name));
    }
    QString title() const { return image("title") + QStringLiteral("<b>Bold</b> title"); }
    QString project() const { return image("project") + QStringLiteral("<i>Team</i>"); }

    void SetUp() override
    {
        const QString root = home.filePath(QStringLiteral("Library"));
        Recording note = LibraryFixture::note(noteID);
        note.title = title();
        note.folderId = projectID;
        note.segments = {Segment{QStringLiteral("s1"), 0, 5, image("segment") + QStringLiteral("said"),
                                 image("speaker") + QStringLiteral("<b>Ann</b>")}};
        note.summary = QStringLiteral("![x](%1/summary-md.png)\n\n%2**kept**\n\n# %3")
                           .arg(server.origin(), image("summary-html"), image("heading"));
        LibraryFixture::putNote(root, note);
        LibraryFixture::writeBytes(root + QStringLiteral("/projects.json"),
                                   RecordCodec::encodeProjects({Project{projectID, project()}}));

        Preferences::setSharedFilePath(home.filePath(QStringLiteral("Hushnote.conf")));
        library = std::make_unique<NativeLibrary>(root);
        workspace = std::make_unique<Workspace>(*library, prompts, JobServices{}, true);
        ASSERT_TRUE(waitUntil([&] { return !workspace->loading(); }));
        audio = std::make_unique<AudioController>();
        queue = std::make_unique<QueueController>(*library, prompts, *workspace,
                                                  ProcessingQueue(home.filePath(QStringLiteral("queue.json"))));
        recording = std::make_unique<RecordingModel>(root, *workspace, prompts, JobServices{}, RecordingModel::Notify());
        QmlInstances::set({workspace.get(), audio.get(), &WhisperDownloadState::shared(), &prompts, queue.get(),
                           recording.get()});
    }

    void TearDown() override { QmlInstances::set({}); }

    // Waits for a frame of the window drawn after everything asked so far.
    static void nextFrame(QQuickWindow *window)
    {
        bool drawn = false;
        const auto connection = QObject::connect(window, &QQuickWindow::frameSwapped, [&] { drawn = true; });
        window->contentItem()->update();
        EXPECT_TRUE(waitUntil([&] { return drawn; }));
        QObject::disconnect(connection);
    }

    // An image from the loopback server, loaded by the engine the way any component would.
    static std::unique_ptr<QObject> loadImage(QQmlEngine &engine, const QString &url)
    {
        QQmlComponent component(&engine);
        component.setData(QStringLiteral("import QtQuick\nImage { source: \"%1\" }").arg(url).toUtf8(), QUrl());
        std::unique_ptr<QObject> item(component.create());
        EXPECT_TRUE(item) << component.errorString().toStdString();
        return item;
    }
};

// The accessible names of every visible item, and every visible text item that would read
// markup in what it shows as markup.
struct Seen {
    QStringList names;
    QStringList markupShown;
};

void collect(QQuickItem *item, Seen &seen)
{
    if (!item->isVisible())
        return;
    if (QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(item))
        seen.names << accessible->text(QAccessible::Name);
    const QVariant format = item->property("textFormat");
    const QString text = item->property("text").toString();
    if (format.isValid() && format.toInt() != 0 /* PlainText */ && text.contains(QLatin1String("<img")))
        seen.markupShown << text;
    for (QQuickItem *child : item->childItems())
        collect(child, seen);
}

// Without the refusing network the window itself must not ask for anything: every title, name,
// transcript line and summary is drawn as typed (the summary's own emphasis excepted). The
// engine's network is left as it is here, so a label that renders markup would show as a request.
TEST_F(HostileLibraryTest, WindowDrawsMarkupAsTypedAndFetchesNothing)
{
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Hushnote/Ui/qml/Main.qml")));
    ASSERT_EQ(engine.rootObjects().size(), 1);
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    ASSERT_TRUE(window);
    nextFrame(window);

    workspace->setSelectedID(noteID);
    workspace->setNotice(image("notice") + QStringLiteral("<b>notice</b>"));
    nextFrame(window);
    Seen transcript;
    collect(window->contentItem(), transcript);

    auto *area = window->findChild<QQuickItem *>(QStringLiteral("documentArea"));
    ASSERT_TRUE(area);
    QMetaObject::invokeMethod(area, "showTab", Q_ARG(QVariant, true));
    nextFrame(window);
    Seen summary;
    collect(window->contentItem(), summary);

    // Requests from the window's images would be queued before this one, on the same loader.
    const auto sentinel = loadImage(engine, server.origin() + QStringLiteral("/sentinel.png"));
    ASSERT_TRUE(waitUntil([&] { return sentinel->property("status").toInt() == 3; })); // Image.Error (404)
    EXPECT_EQ(server.requestCount(), 1u);
    for (const auto &request : server.requests())
        EXPECT_EQ(request.path, "/sentinel.png");

    EXPECT_TRUE(transcript.names.contains(title()));
    EXPECT_TRUE(transcript.names.contains(project()));
    // Labels without a name of their own (the speaker) are read by screen readers from their
    // text; none shows markup as markup.
    EXPECT_TRUE(transcript.markupShown.isEmpty()) << transcript.markupShown.join(u'|').toStdString();
    EXPECT_TRUE(summary.markupShown.isEmpty()) << summary.markupShown.join(u'|').toStdString();
    EXPECT_TRUE(transcript.names.contains(image("segment") + QStringLiteral("said")));
    EXPECT_TRUE(transcript.names.contains(image("notice") + QStringLiteral("<b>notice</b>")));
    // The summary: the image as typed, the HTML as typed, the emphasis as emphasis.
    EXPECT_TRUE(summary.names.contains(QStringLiteral("![x](%1/summary-md.png)").arg(server.origin())))
        << summary.names.join(u'|').toStdString();
    EXPECT_TRUE(summary.names.contains(image("summary-html") + QStringLiteral("kept")));
    EXPECT_TRUE(summary.names.contains(image("heading")));
}

// Behind the labels, the program's engines have a network that refuses every request.
TEST_F(HostileLibraryTest, ProgramsEngineRefusesEveryRequest)
{
    QQmlEngine engine;
    OfflineNetwork::install(&engine);
    const auto item = loadImage(engine, server.origin() + QStringLiteral("/refused.png"));
    ASSERT_TRUE(waitUntil([&] { return item->property("status").toInt() == 3; })); // Image.Error
    EXPECT_EQ(server.requestCount(), 0u);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/hushnote-test-XXXXXX"));
    if (!TestSupport::useThrowawayHome(home))
        return 3;
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
