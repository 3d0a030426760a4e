#include "app/DesktopApp.h"
#include "app/DesktopSession.h"
#include "platform/SingleInstance.h"
#include "shell/ImportQueue.h"
#include "workspace/Workspace.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

int main(int argc, char *argv[])
{
    DesktopSession::nameProgram();
    QGuiApplication application(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Hushnote: recordings to transcripts and minutes."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Audio files to import."),
                                 QStringLiteral("[FILE...]"));
    parser.process(application);

    // --- one instance per user: a later start hands its files to the running one and quits ---
    SingleInstance instance;
    const QStringList files = SingleInstance::filesFromArguments(parser.positionalArguments());
    if (!instance.claim(files))
        return 0;
    // --- end of the single-instance block ---

    DesktopSession session;
    if (!session.showMainWindow())
        return 1;
    Workspace &workspace = session.app().workspace();
    ImportQueue imports;
    imports.setWorkspace(&workspace);
    imports.addPaths(files);

    // --- other programs on the same library: the window follows what they change ---
    workspace.followLibraryChanges();

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
