// Runs every tst_*.qml of this folder with the Hushnote.Ui module importable and the program's
// singletons (AppWorkspace, AppAudio, AppDownloads, AppPrompts, AppQueue, AppRecording) on a throwaway home library.
#include "app/DesktopPrompts.h"
#include "app/OfflineNetwork.h"
#include "app/QmlForeignTypes.h"
#include "recorder/RecordingModel.h"
#include "library/NativeLibrary.h"
#include "platform/Preferences.h"
#include "playback/AudioController.h"
#include "services/WhisperDownloadState.h"
#include "workspace/Workspace.h"

#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

#include <memory>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

class Setup : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void applicationAvailable()
    {
        // Settings screens read the preferences store: a throwaway one, never the person's; the
        // home library lives beside it.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        Preferences::setSharedFilePath(m_home.filePath(QStringLiteral("Hushnote.conf")));
        m_library = std::make_unique<NativeLibrary>(m_home.filePath(QStringLiteral("Library")));
        m_workspace = std::make_unique<Workspace>(*m_library, m_prompts, JobServices{}, true);
        m_audio = std::make_unique<AudioController>();
        m_queue = std::make_unique<QueueController>(*m_library, m_prompts, *m_workspace,
                                                    ProcessingQueue(m_home.filePath(QStringLiteral("queue.json"))));
        m_recording = std::make_unique<RecordingModel>(m_library->root(), *m_workspace, m_prompts, JobServices{},
                                                       RecordingModel::Notify());
        QmlInstances::set({m_workspace.get(), m_audio.get(), &WhisperDownloadState::shared(), &m_prompts, m_queue.get(),
                           m_recording.get()});
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        OfflineNetwork::install(engine);
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
    void cleanupTestCase() { QmlInstances::set({}); }

private:
    QTemporaryDir m_home;
    DesktopPrompts m_prompts;
    std::unique_ptr<NativeLibrary> m_library;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<AudioController> m_audio;
    std::unique_ptr<QueueController> m_queue;
    std::unique_ptr<RecordingModel> m_recording;
};

QUICK_TEST_MAIN_WITH_SETUP(hushnote, Setup)

#include "QmlTestMain.moc"
