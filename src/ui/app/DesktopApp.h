#pragma once

#include <QObject>

#include <memory>

class AudioController;
class DesktopPrompts;
class NativeLibrary;
class QueueController;
class RecordingModel;
class Workspace;
class WhisperDownloadState;

// The long-lived objects of the desktop program, made once in main() and alive until it quits:
// the home library store, the desktop's prompts, the Workspace, the AudioController, the processing queue and the recording. The view
// models reach them through current(); tests make their own instances instead.
class DesktopApp final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopApp)

public:
    DesktopApp();
    ~DesktopApp() override;

    // The program's instance (null in tests that build view models on their own objects).
    static DesktopApp *current();

    Workspace &workspace() { return *m_workspace; }
    AudioController &audio() { return *m_audio; }
    WhisperDownloadState &downloads();
    DesktopPrompts &prompts() { return *m_prompts; }
    QueueController &queue() { return *m_queue; }
    RecordingModel &recording() { return *m_recording; }

private:
    std::unique_ptr<NativeLibrary> m_library;
    std::unique_ptr<DesktopPrompts> m_prompts;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<AudioController> m_audio;
    std::unique_ptr<QueueController> m_queue;
    std::unique_ptr<RecordingModel> m_recording;
};
