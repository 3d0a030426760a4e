pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The main window's content: the sidebar, a hairline, and the right-hand column (top bar, the
// document area, the notice line, the player bar).
Item {
    id: root
    signal settingsRequested()

    // Presentation state shared by the top bar, the document and the player bar.
    QtObject {
        id: viewState
        property bool showSummary: false
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Sidebar {
            Layout.preferredWidth: Theme.sidebarWidth
            Layout.fillHeight: true
        }
        Rectangle { Layout.preferredWidth: 1; Layout.fillHeight: true; color: Theme.line }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            TopBar {
                Layout.fillWidth: true
                Layout.preferredHeight: Theme.topBarHeight
                viewState: viewState
                onEditRequested: documentArea.openEditor()
                onProcessingRequested: processing.visible ? processing.close() : processing.open()
            }
            Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.line }
            DocumentArea {
                id: documentArea
                Layout.fillWidth: true
                Layout.fillHeight: true
                viewState: viewState
                workspace: AppWorkspace
                audio: AppAudio
            }
            PlayerBar {
                Layout.fillWidth: true
                audio: AppAudio
                onSettingsRequested: root.settingsRequested()
            }
        }
    }

    ProcessingPopover {
        id: processing
    }
}
