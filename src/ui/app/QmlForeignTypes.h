#pragma once

#include "DesktopPrompts.h"
#include "QueueController.h"
#include "RecordingModel.h"
#include "playback/AudioController.h"
#include "services/WhisperDownloadState.h"
#include "workspace/Workspace.h"

#include <QJSEngine>
#include <QtQml/qqml.h>

// The core's long-lived objects as QML singletons (AppWorkspace, AppAudio, AppDownloads, and the
// desktop's AppPrompts, AppQueue and AppRecording). They are
// made in C++ (by DesktopApp in the program, by fixtures in tests) and handed in through
// QmlInstances::set before the first QML engine asks for them; QML never owns them. Only Main.qml
// reaches them: views take what they need as required properties.
namespace QmlInstances {
struct Set {
    Workspace *workspace = nullptr;
    AudioController *audio = nullptr;
    WhisperDownloadState *downloads = nullptr;
    DesktopPrompts *prompts = nullptr;
    QueueController *queue = nullptr;
    RecordingModel *recording = nullptr;
};
void set(const Set &instances);
const Set &get();

template <typename T> T *shared(T *object)
{
    Q_ASSERT_X(object, "QmlInstances", "set the instances before loading QML");
    QJSEngine::setObjectOwnership(object, QJSEngine::CppOwnership);
    return object;
}
} // namespace QmlInstances

struct AppWorkspaceForeign {
    Q_GADGET
    QML_FOREIGN(Workspace)
    QML_NAMED_ELEMENT(AppWorkspace)
    QML_SINGLETON
public:
    static Workspace *create(QQmlEngine *, QJSEngine *) { return QmlInstances::shared(QmlInstances::get().workspace); }
};

struct AppAudioForeign {
    Q_GADGET
    QML_FOREIGN(AudioController)
    QML_NAMED_ELEMENT(AppAudio)
    QML_SINGLETON
public:
    static AudioController *create(QQmlEngine *, QJSEngine *) { return QmlInstances::shared(QmlInstances::get().audio); }
};

struct AppDownloadsForeign {
    Q_GADGET
    QML_FOREIGN(WhisperDownloadState)
    QML_NAMED_ELEMENT(AppDownloads)
    QML_SINGLETON
public:
    static WhisperDownloadState *create(QQmlEngine *, QJSEngine *)
    {
        return QmlInstances::shared(QmlInstances::get().downloads);
    }
};

struct AppPromptsForeign {
    Q_GADGET
    QML_FOREIGN(DesktopPrompts)
    QML_NAMED_ELEMENT(AppPrompts)
    QML_SINGLETON
public:
    static DesktopPrompts *create(QQmlEngine *, QJSEngine *) { return QmlInstances::shared(QmlInstances::get().prompts); }
};

struct AppQueueForeign {
    Q_GADGET
    QML_FOREIGN(QueueController)
    QML_NAMED_ELEMENT(AppQueue)
    QML_SINGLETON
public:
    static QueueController *create(QQmlEngine *, QJSEngine *) { return QmlInstances::shared(QmlInstances::get().queue); }
};

struct AppRecordingForeign {
    Q_GADGET
    QML_FOREIGN(RecordingModel)
    QML_NAMED_ELEMENT(AppRecording)
    QML_SINGLETON
public:
    static RecordingModel *create(QQmlEngine *, QJSEngine *)
    {
        return QmlInstances::shared(QmlInstances::get().recording);
    }
};
