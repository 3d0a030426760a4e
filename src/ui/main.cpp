#include "app/DesktopApp.h"
#include "app/OfflineNetwork.h"
#include "app/Strings.h"
#include "platform/SingleInstance.h"
#include "shell/DesktopLook.h"
#include "shell/ImportQueue.h"
#include "shell/ScreenshotRunner.h"
#include "shell/WindowBenchmark.h"
#include "workspace/Workspace.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

namespace {

QCoro::Task<> takeScreenshot(QString scene, QString output, QQmlApplicationEngine *engine, DesktopApp *app)
{
    const int status = co_await ScreenshotRunner::run(scene, output, engine, &app->workspace(), &app->audio());
    QCoreApplication::exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication::setApplicationName(QStringLiteral("Hushnote"));
    QGuiApplication::setOrganizationName(QStringLiteral("Hushnote"));
    QGuiApplication::setApplicationVersion(QStringLiteral(HUSHNOTE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.hushnote.Hushnote"));
    QGuiApplication application(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Hushnote: recordings to transcripts and minutes."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Audio files to import."),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Show a scene and save a picture of it (development)."),
                                        QStringLiteral("scene"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Where --screenshot saves."),
                                    QStringLiteral("png"));
    const QCommandLineOption listScenes(QStringLiteral("list-screenshots"),
                                        QStringLiteral("List the scenes --screenshot knows."));
    const QCommandLineOption benchmark(QStringLiteral("benchmark"),
                                       QStringLiteral("Quit after the first frame, or after timing search keystrokes "
                                                      "(development)."),
                                       QStringLiteral("first-frame|keystrokes"));
    parser.addOptions({screenshot, output, listScenes, benchmark});
    parser.process(application);
    if (parser.isSet(listScenes)) {
        ScreenshotRunner::list();
        return 0;
    }

    // --- one instance per user: a later start hands its files to the running one and quits ---
    SingleInstance instance;
    const QStringList files = SingleInstance::filesFromArguments(parser.positionalArguments());
    if (!parser.isSet(screenshot) && !parser.isSet(benchmark) && !instance.claim(files))
        return 0;
    // --- end of the single-instance block ---

    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // The typeface follows the interface language; connected before any window exists, so a
    // rebuilt window already finds the new one.
    const auto applyFont = [] {
        QFont font(Strings::instance().fontFamily());
        font.setPixelSize(13);
        QGuiApplication::setFont(font);
    };
    applyFont();
    QObject::connect(&Strings::instance(), &Strings::languageChanged, qApp, applyFont);
    DesktopLook::instance().readDesktopSettings();

    // Reads the home library before the window shows.
    DesktopApp app;
    if (!app.workspace().isIdle()) {
        QEventLoop loading;
        QObject::connect(&app.workspace(), &Workspace::idleChanged, &loading, &QEventLoop::quit);
        loading.exec();
    }
    ImportQueue imports;
    imports.setWorkspace(&app.workspace());

    QQmlApplicationEngine engine;
    OfflineNetwork::install(&engine);
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QObject::connect(&engine, &QQmlApplicationEngine::objectCreationFailed, &application,
                     [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Hushnote/Ui/qml/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;

    if (parser.isSet(benchmark))
        WindowBenchmark::run(&engine, &app.workspace(), parser.value(benchmark) == QLatin1String("keystrokes"));
    else if (parser.isSet(screenshot))
        takeScreenshot(parser.value(screenshot), parser.value(output), &engine, &app);
    else
        imports.addPaths(files);

    // --- other programs on the same library: the window follows what they change ---
    app.workspace().followLibraryChanges();

    // --- one instance per user: import handed-over files and come to the front ---
    QObject::connect(&instance, &SingleInstance::activated, &imports, [&imports](const QStringList &handed,
                                                                            const QString &token) {
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            window->show();
            window->raise();
            window->requestActivate();
        }
        imports.addPaths(handed);
    });
    // --- end of the single-instance block ---
    return QGuiApplication::exec();
}
