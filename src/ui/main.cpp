#include "app/DesktopApp.h"
#include "platform/SingleInstance.h"
#include "workspace/Workspace.h"

#include <QFont>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication::setApplicationName(QStringLiteral("Hushnote"));
    QGuiApplication::setOrganizationName(QStringLiteral("Hushnote"));
    QGuiApplication::setDesktopFileName(QStringLiteral("hushnote"));
    QGuiApplication application(argc, argv);

    // --- one instance per user: a later start hands its files to this one and quits ---
    SingleInstance instance;
    const QStringList files = SingleInstance::filesFromArguments(QGuiApplication::arguments().mid(1));
    if (!instance.claim(files))
        return 0;
    // --- end of the single-instance block ---

    QQuickStyle::setStyle(QStringLiteral("Basic"));
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(13);
    QGuiApplication::setFont(font);

    DesktopApp app;

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QObject::connect(&engine, &QQmlApplicationEngine::objectCreationFailed, &application,
                     [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Hushnote/Ui/qml/Main.qml")));

    // --- one instance per user: import handed-over files and come to the front ---
    QObject::connect(&instance, &SingleInstance::activated, &app, [&app](const QStringList &handed, const QString &token) {
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            window->show();
            window->raise();
            window->requestActivate();
        }
        app.workspace().importFiles(handed);
    });
    app.workspace().importFiles(files);
    // --- end of the single-instance block ---
    return QGuiApplication::exec();
}
