#include "app/DesktopApp.h"

#include <QFont>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication::setApplicationName(QStringLiteral("Hushnote"));
    QGuiApplication::setOrganizationName(QStringLiteral("Hushnote"));
    QGuiApplication::setDesktopFileName(QStringLiteral("hushnote"));
    QGuiApplication application(argc, argv);
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
    return QGuiApplication::exec();
}
