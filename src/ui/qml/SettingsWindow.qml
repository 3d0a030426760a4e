import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Window
import Hushnote.Ui

// The settings window: 790 × 650, the section list on the left and the chosen section on the
// right. Its content is rebuilt when the interface language changes, keeping the chosen section.
// (Not a bound-component file: Qt 6.4 refuses to build the Loader's content in a Window then.)
Window {
    id: window
    objectName: "settingsWindow"
    // Read again when the language changes: the window itself outlives its rebuilt content.
    title: Strings.language.length >= 0 ? Strings.t("设置") : ""
    width: 790
    height: 650
    minimumWidth: 790
    maximumWidth: 790
    minimumHeight: 650
    maximumHeight: 650
    color: Theme.windowBackground
    // The download state of the Whisper part; the program's own unless a test hands in another.
    property QtObject downloads: AppDownloads
    property int section: 0

    function showSection(index) { window.section = index }

    // Escape closes it like any settings window; an open menu or popup inside takes Escape first.
    Shortcut {
        sequences: ["Ctrl+W", StandardKey.Cancel]
        onActivated: window.close()
    }

    // The content exists only while the window shows: every screen reads its state when shown, and
    // closing drops what was typed but not saved (a key, a draft, a "已保存。" line) and stops any
    // check that was running.
    Loader {
        id: content
        anchors.fill: parent
        property bool rebuilding: false
        active: window.visible && !rebuilding
        property string language: Strings.language
        onLanguageChanged: { rebuilding = true; rebuilding = false }
        sourceComponent: SettingsView {
            objectName: "settingsView"
            downloads: window.downloads
            section: window.section
            onSectionChosen: index => window.section = index
        }
    }
}
