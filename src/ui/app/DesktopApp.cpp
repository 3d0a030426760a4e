#include "DesktopApp.h"

#include "DesktopPrompts.h"
#include "QmlForeignTypes.h"
#include "library/NativeLibrary.h"
#include "playback/AudioController.h"
#include "processing/DefaultJobServices.h"
#include "JobNotifier.h"
#include "QueueController.h"
#include "RecordingModel.h"
#include "services/WhisperDownloadState.h"
#include "workspace/Workspace.h"

namespace {
DesktopApp *currentApp = nullptr;
}

DesktopApp::DesktopApp()
    : m_library(std::make_unique<NativeLibrary>())
    , m_prompts(std::make_unique<DesktopPrompts>())
    , m_workspace(std::make_unique<Workspace>(*m_library, *m_prompts, DefaultJobServices::jobServices(), true))
    , m_audio(std::make_unique<AudioController>())
    , m_queue(std::make_unique<QueueController>(*m_library, *m_prompts, *m_workspace))
    , m_recording(std::make_unique<RecordingModel>(m_library->root(), *m_workspace, *m_prompts,
                                                   DefaultJobServices::jobServices(),
                                                   &JobNotifier::sendDesktopNotification))
{
    currentApp = this;
    QmlInstances::set({m_workspace.get(), m_audio.get(), &downloads(), m_prompts.get(), m_queue.get(), m_recording.get()});
}

DesktopApp::~DesktopApp()
{
    // A recording still running is stopped and saved; the queue's lanes go before the workspace
    // and the library they share.
    m_recording.reset();
    m_queue.reset();
    currentApp = nullptr;
    QmlInstances::set({});
}

DesktopApp *DesktopApp::current()
{
    return currentApp;
}

WhisperDownloadState &DesktopApp::downloads()
{
    return WhisperDownloadState::shared();
}
