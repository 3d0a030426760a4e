#include "app/DesktopApp.h"
#include "app/DesktopSession.h"
#include "shell/ScreenshotRunner.h"
#include "shell/WindowBenchmark.h"
#include "workspace/Workspace.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

// hushnote-scenes: the desktop program's development companion, built beside it and never
// installed. It starts exactly as the program does (without the single-instance lock, so it runs
// beside a person's own window) and then shows a screenshot scene (scripts/screenshots) or times
// the main window (bench/window.sh).

namespace {

QCoro::Task<> takeScreenshot(QString scene, QString output, DesktopSession *session)
{
    const int status = co_await ScreenshotRunner::run(scene, output, &session->engine(),
                                                      &session->app().workspace(), &session->app().audio());
    QCoreApplication::exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    DesktopSession::nameProgram();
    QGuiApplication application(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Hushnote's screenshot scenes and window benchmark."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Show a scene and save a picture of it."),
                                        QStringLiteral("scene"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Where --screenshot saves."),
                                    QStringLiteral("png"));
    const QCommandLineOption listScenes(QStringLiteral("list-screenshots"),
                                        QStringLiteral("List the scenes --screenshot knows."));
    const QCommandLineOption benchmark(QStringLiteral("benchmark"),
                                       QStringLiteral("Quit after the first frame, or after timing search keystrokes."),
                                       QStringLiteral("first-frame|keystrokes"));
    parser.addOptions({screenshot, output, listScenes, benchmark});
    parser.process(application);
    if (parser.isSet(listScenes)) {
        ScreenshotRunner::list();
        return 0;
    }
    if (!parser.isSet(screenshot) && !parser.isSet(benchmark))
        parser.showHelp(2);

    DesktopSession session;
    if (!session.showMainWindow())
        return 1;
    if (parser.isSet(benchmark))
        WindowBenchmark::run(&session.engine(), &session.app().workspace(),
                             parser.value(benchmark) == QLatin1String("keystrokes"));
    else
        takeScreenshot(parser.value(screenshot), parser.value(output), &session);
    session.app().workspace().followLibraryChanges();
    return QGuiApplication::exec();
}
