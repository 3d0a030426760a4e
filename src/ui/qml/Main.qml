import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The main window. Its content is rebuilt whenever the interface language changes, so every text
// is looked up again.
ApplicationWindow {
    id: window
    title: "Hushnote"
    width: 1200
    height: 780
    minimumWidth: 960
    minimumHeight: 640
    visible: true
    color: Theme.windowBackground
    font.family: Theme.fontFamily

    function openSettings() {
        settingsLoader.active = true
        settingsLoader.item.show()
        settingsLoader.item.raise()
        settingsLoader.item.requestActivate()
    }

    Loader {
        id: content
        anchors.fill: parent
        // Keyed on the language: a change rebuilds the whole view tree.
        property string language: Strings.language
        onLanguageChanged: { active = false; active = true }
        sourceComponent: WorkspaceView {
            onSettingsRequested: window.openSettings()
        }
    }

    // Processing and settings: Ctrl+, opens the settings window; a job that ends while no window
    // of the program is active is announced by a desktop notification.
    Shortcut {
        sequence: "Ctrl+,"
        context: Qt.ApplicationShortcut
        onActivated: window.openSettings()
    }
    JobNotifier {
        workspace: AppWorkspace
        windowActive: Qt.application.state === Qt.ApplicationActive
    }

    Loader {
        id: settingsLoader
        active: false
        sourceComponent: SettingsWindow {}
    }
}
