pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The library sidebar: the product name, the import and record buttons, the recording under way, the scopes with their counts, the
// projects, the list of notes in the current scope with "全选", and the processing queue's chip.
SidebarSurface {
    id: sidebar
    required property LibraryShell shell
    required property QtObject workspace
    required property NoteSelection selection
    required property QueuePanelModel queuePanel
    // The window's recording (none in tests that leave it out).
    property QtObject recording: null

    // Also the screenshot scenes' way in.
    function chooseScope(kind, projectID) { shell.chooseScope(kind, projectID) }
    function selectAll() { selection.selectAll() }
    function openRecordPopover() { recordPopover.open() }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: Theme.spacingLarge + 2
        spacing: 0

        Column {
            Layout.leftMargin: Theme.spacingLarge + 2
            Layout.bottomMargin: Theme.spacingLarge
            spacing: 2
            PlainLabel {
                text: "Hushnote"
                color: Theme.text
                font.pixelSize: Theme.headlineFontSize
                font.weight: Font.DemiBold
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            PlainLabel {
                text: Strings.t("录音整理成文字与纪要")
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
            }
        }

        // A library opened read-only says so, with the way back to the person's own.
        RowLayout {
            visible: !sidebar.shell.isManaged
            Layout.fillWidth: true
            Layout.leftMargin: Theme.spacingLarge + 2
            Layout.rightMargin: Theme.spacingSmall + 2
            Layout.bottomMargin: Theme.spacingSmall
            spacing: 6
            Icon { name: "lock"; size: 12; color: Theme.amber }
            PlainLabel {
                Layout.fillWidth: true
                text: sidebar.shell.libraryLabel
                color: Theme.text
                font.pixelSize: Theme.smallFontSize
                elide: Text.ElideMiddle
                Accessible.name: Strings.t("只读资料") + " " + text
            }
            QuietButton {
                text: Strings.t("我的资料库")
                font.pixelSize: Theme.smallFontSize
                implicitHeight: 24
                raised: true
                enabled: !sidebar.shell.loading
                onClicked: sidebar.shell.loadHome()
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.spacingSmall + 2
            Layout.rightMargin: Theme.spacingSmall + 2
            Layout.bottomMargin: Theme.spacing
            spacing: Theme.spacingSmall
            QuietButton {
                objectName: "importButton"
                Layout.fillWidth: true
                text: sidebar.shell.importLabel
                iconName: "plus"
                raised: true
                horizontalAlignment: Qt.AlignLeft
                enabled: !sidebar.shell.loading
                onClicked: sidebar.shell.chooseAudio()
            }
            QuietButton {
                id: recordButton
                objectName: "recordButton"
                visible: sidebar.recording !== null
                // The picture alone, so that the import button keeps its whole label; the name
                // is the tooltip and what screen readers say.
                help: Strings.t("录音")
                iconName: "mic"
                implicitWidth: 34
                raised: true
                enabled: sidebar.recording !== null && sidebar.recording.canStart
                Accessible.description: sidebar.recording !== null ? sidebar.recording.waitReason : ""
                onClicked: recordPopover.visible ? recordPopover.close() : recordPopover.open()
                RecordPopover {
                    id: recordPopover
                    y: parent.height + 6
                    x: parent.width - width
                    recording: sidebar.recording
                }
            }
        }

        RecordingBar {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.spacingSmall + 2
            Layout.rightMargin: Theme.spacingSmall + 2
            Layout.bottomMargin: Theme.spacing
            visible: sidebar.recording !== null && sidebar.recording.busy
            recording: sidebar.recording
        }

        ScopeEntry {
            iconName: "pin"
            text: Strings.t("置顶")
            count: sidebar.shell.pinnedCount
            selected: sidebar.shell.scopeKind === "pinned"
            onClicked: sidebar.chooseScope("pinned", "")
        }
        ScopeEntry {
            iconName: "doc.text"
            text: Strings.t("全部笔记")
            count: sidebar.shell.liveCount
            selected: sidebar.shell.scopeKind === "all"
            onClicked: sidebar.chooseScope("all", "")
        }
        ScopeEntry {
            iconName: "trash"
            text: Strings.t("废纸篓")
            count: sidebar.shell.trashCount
            selected: sidebar.shell.scopeKind === "trash"
            onClicked: sidebar.chooseScope("trash", "")
        }

        ProjectSection {
            Layout.fillWidth: true
            Layout.topMargin: Theme.spacing
            shell: sidebar.shell
            workspace: sidebar.workspace
        }

        Rectangle { Layout.fillWidth: true; Layout.topMargin: Theme.spacingSmall; Layout.preferredHeight: 1; color: Theme.line }

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.spacingLarge + 2
            Layout.rightMargin: Theme.spacingLarge + 2
            Layout.topMargin: Theme.spacing
            Layout.bottomMargin: Theme.spacingTiny
            PlainLabel {
                Layout.fillWidth: true
                text: sidebar.shell.scopeTitle
                color: Theme.text
                font.pixelSize: Theme.fontSize
                font.weight: Font.DemiBold
                elide: Text.ElideRight
            }
            QuietButton {
                objectName: "selectAllButton"
                visible: sidebar.shell.listedCount > 1
                text: Strings.t("全选")
                font.pixelSize: Theme.smallFontSize
                implicitHeight: 22
                onClicked: sidebar.selectAll()
            }
            PlainLabel {
                text: sidebar.shell.listedCount
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
                font.family: Theme.monoFamily
            }
        }

        NoteList {
            Layout.fillWidth: true
            Layout.fillHeight: true
            shell: sidebar.shell
            workspace: sidebar.workspace
            selection: sidebar.selection
        }

        QueueChip {
            Layout.fillWidth: true
            Layout.margins: Theme.spacingSmall + 2
            visible: sidebar.queuePanel.count > 0
            panel: sidebar.queuePanel
        }
    }
}
