import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The main window. Its content is rebuilt whenever the interface language changes, so every text
// is looked up again. Closing it while work runs asks the QuitGuard first.
ApplicationWindow {
    id: window
    objectName: "mainWindow"
    // A recording under way shows in the title, looked up again when the language changes.
    title: Strings.language.length >= 0 ? AppRecording.windowTitle : "Hushnote"
    width: 1200
    height: 780
    minimumWidth: 960
    minimumHeight: 640
    visible: true
    color: Theme.windowBackground
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontSize
    palette {
        window: Theme.canvas
        windowText: Theme.text
        base: Theme.canvas
        text: Theme.text
        button: Theme.surface
        buttonText: Theme.text
        highlight: Theme.amber
        highlightedText: Theme.canvas
        toolTipBase: Theme.surface
        toolTipText: Theme.text
        placeholderText: Theme.muted
        mid: Theme.muted
    }

    function openSettings() {
        settingsLoader.active = true
        settingsLoader.item.show()
        settingsLoader.item.raise()
        settingsLoader.item.requestActivate()
    }

    QuitGuard {
        id: quitGuard
        workspace: AppWorkspace
        downloads: AppDownloads
        queue: AppQueue
        recording: AppRecording
        onQuitConfirmed: Qt.quit()
        onRecordingQuestion: recordingQuit.ask()
    }
    // Closing the main window ends the program, the settings window with it.
    onClosing: (close) => {
        close.accepted = quitGuard.requestQuit()
        if (close.accepted)
            Qt.callLater(Qt.quit)
    }

    menuBar: AppMenuBar {
        // Rebuilt with the content so that its titles follow the language.
        language: Strings.language
        workspace: AppWorkspace
        audio: AppAudio
        onSettingsRequested: window.openSettings()
        onQuitRequested: window.close()
    }

    Loader {
        id: content
        anchors.fill: parent
        // Keyed on the language: a change rebuilds the whole view tree.
        property string language: Strings.language
        onLanguageChanged: { active = false; active = true }
        sourceComponent: WorkspaceView {
            workspace: AppWorkspace
            audio: AppAudio
            queue: AppQueue
            recording: AppRecording
            quitting: quitGuard.terminating
            onSettingsRequested: window.openSettings()
        }
    }

    RecordingQuitSheet {
        id: recordingQuit
        onStopChosen: quitGuard.stopRecordingAndQuit()
    }

    PromptDialogs {
        anchors.fill: parent
        z: 1
        prompts: AppPrompts
    }

    // Processing: a job that ends while no window of the program is active is announced by a
    // desktop notification.
    JobNotifier {
        workspace: AppWorkspace
        windowActive: Qt.application.state === Qt.ApplicationActive
    }

    AudioDropArea {
        anchors.fill: parent
        workspace: AppWorkspace
    }

    Loader {
        id: settingsLoader
        active: false
        sourceComponent: SettingsWindow {}
    }
}
