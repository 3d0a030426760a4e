// Runs every tst_*.qml of this folder with the Hushnote.Ui module importable.
#include "platform/Preferences.h"

#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

// Settings screens read the preferences store: give them a throwaway one, never the person's.
static void useThrowawayPreferences()
{
    static QTemporaryDir folder;
    Preferences::setSharedFilePath(folder.filePath(QStringLiteral("Hushnote.conf")));
}

class Setup : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        useThrowawayPreferences();
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(hushnote, Setup)

#include "QmlTestMain.moc"
