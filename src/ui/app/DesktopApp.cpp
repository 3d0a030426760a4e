#include "DesktopApp.h"

#include "DesktopPrompts.h"
#include "QmlForeignTypes.h"
#include "library/NativeLibrary.h"
#include "playback/AudioController.h"
#include "processing/DefaultJobServices.h"
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
{
    currentApp = this;
    QmlInstances::set({m_workspace.get(), m_audio.get(), &downloads(), m_prompts.get()});
}

DesktopApp::~DesktopApp()
{
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
