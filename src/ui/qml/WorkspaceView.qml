pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The main window's content: the sidebar, a hairline, and the right-hand column (top bar, the
// document area, the notice line, the player bar), with the popovers and the error alert.
Item {
    id: root
    required property QtObject workspace
    required property QtObject audio
    // The processing queue's controller (none in tests that leave the queue out).
    property QtObject queue: null
    // The window's recording (none in tests that leave it out).
    property QtObject recording: null
    property bool quitting: false
    signal settingsRequested()

    // Presentation state shared by the top bar, the document and the player bar.
    QtObject {
        id: viewState
        property bool showSummary: false
    }

    LibraryShell { id: shell; workspace: root.workspace }
    NoteSelection { id: selection; objectName: "noteSelection"; workspace: root.workspace }
    QueuePanelModel { id: queuePanel; controller: root.queue; workspace: root.workspace }
    SelectionPlayback { workspace: root.workspace; audio: root.audio }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Sidebar {
            objectName: "sidebar"
            Layout.preferredWidth: Theme.sidebarWidth
            Layout.fillHeight: true
            shell: shell
            workspace: root.workspace
            selection: selection
            queuePanel: queuePanel
            recording: root.recording
        }
        Rectangle { Layout.preferredWidth: 1; Layout.fillHeight: true; color: Theme.line }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 0

            TopBar {
                id: topBar
                objectName: "topBar"
                Layout.fillWidth: true
                Layout.preferredHeight: Theme.topBarHeight
                viewState: viewState
                shell: shell
                onEditRequested: documentArea.openEditor()
                onProcessingRequested: processing.visible ? processing.close() : processing.open()
                onExportRequested: exportPopover.visible ? exportPopover.close() : exportPopover.open()
            }
            Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.line }
            DocumentArea {
                id: documentArea
                Layout.fillWidth: true
                Layout.fillHeight: true
                viewState: viewState
                workspace: root.workspace
                audio: root.audio
                selection: selection
                queue: root.queue
            }
            NoticeLine {
                Layout.fillWidth: true
                text: root.quitting ? Strings.t("正在停止，保留已完成的内容…") : shell.notice
                closable: !root.quitting
                onCloseRequested: shell.clearNotice()
            }
            PlayerBar {
                Layout.fillWidth: true
                audio: root.audio
                onSettingsRequested: root.settingsRequested()
            }
        }
    }

    ProcessingPopover {
        id: processing
        parent: topBar.processingButton
        y: parent.height + 6
        x: parent.width - width
    }

    ExportPopover {
        id: exportPopover
        objectName: "exportPopover"
        parent: topBar.exportButton
        y: parent.height + 6
        x: parent.width - width
        summary: viewState.showSummary
        onFormatChosen: (format) => {
            close()
            // After the popover has gone, so the save chooser does not open on top of it.
            Qt.callLater(shell.exportText, viewState.showSummary, format)
        }
    }

    ErrorAlert {
        text: shell.error
        onDismissed: shell.clearError()
    }
}
