pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The notes of the current scope, one RecordingRow each; clicking selects, the right button opens
// the record menu. Empty: "废纸篓是空的" in the trash, else "暂无笔记".
ListView {
    id: list
    required property LibraryShell shell
    required property QtObject workspace

    objectName: "noteList"
    clip: true
    spacing: 2
    topMargin: 2
    bottomMargin: Theme.spacing
    boundsBehavior: Flickable.StopAtBounds
    currentIndex: notes.selectedRow
    highlightFollowsCurrentItem: false
    keyNavigationEnabled: true
    Accessible.role: Accessible.List
    Accessible.name: shell.scopeTitle
    ScrollBar.vertical: ScrollBar {}

    model: NoteListModel { id: notes; workspace: list.workspace }

    delegate: RecordingRow {
        width: ListView.view.width - 2 * (Theme.spacingSmall + 2)
        x: Theme.spacingSmall + 2
        onActivated: list.shell.select(recordId)
        onMenuRequested: recordMenu.popupFor(recordId)
    }

    // The menu key (or Shift+F10) opens the record menu of the selected note beside its row.
    function openMenuForSelected() {
        const row = itemAtIndex(currentIndex)
        if (row)
            recordMenu.popupFor(row.recordId, row)
    }
    Keys.onMenuPressed: openMenuForSelected()
    Keys.onPressed: event => {
        if (event.key === Qt.Key_F10 && event.modifiers === Qt.ShiftModifier) {
            openMenuForSelected()
            event.accepted = true
        }
    }
    Keys.onUpPressed: if (currentIndex > 0) shell.select(notes.data(notes.index(currentIndex - 1, 0), NoteListModel.IdRole))
    Keys.onDownPressed: if (currentIndex < count - 1) shell.select(notes.data(notes.index(currentIndex + 1, 0), NoteListModel.IdRole))

    PlainLabel {
        anchors.horizontalCenter: parent.horizontalCenter
        y: 24
        visible: list.count === 0
        text: list.shell.emptyListText
        color: Theme.muted
        font.pixelSize: Theme.fontSize
    }

    RecordContextMenu {
        id: recordMenu
        shell: list.shell
    }
}
