pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The notes of the current scope, one RecordingRow each; clicking selects (Ctrl toggles, Shift
// extends), the right button opens the record menu. Keys: Up/Down, Shift+Up/Down, Space, Ctrl+A.
// Empty: "废纸篓是空的" in the trash, else "暂无笔记".
ListView {
    id: list
    required property LibraryShell shell
    required property QtObject workspace
    required property NoteSelection selection

    objectName: "noteList"
    clip: true
    spacing: 2
    topMargin: 2
    bottomMargin: Theme.spacing
    boundsBehavior: Flickable.StopAtBounds
    currentIndex: notes.selectedRow
    highlightFollowsCurrentItem: false
    keyNavigationEnabled: false
    activeFocusOnTab: true
    Accessible.role: Accessible.List
    Accessible.name: shell.scopeTitle
    ScrollBar.vertical: ScrollBar {}

    model: NoteListModel { id: notes; workspace: list.workspace; selection: list.selection }

    delegate: RecordingRow {
        width: ListView.view.width - 2 * (Theme.spacingSmall + 2)
        x: Theme.spacingSmall + 2
        onActivated: {
            list.selection.clickWithKeyboard(recordId)
            list.forceActiveFocus()
        }
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
        } else if (event.matches(StandardKey.SelectAll)) {
            selection.selectAll()
            event.accepted = true
        }
    }
    Keys.onUpPressed: event => event.modifiers & Qt.ShiftModifier ? selection.extend(-1) : selection.move(-1)
    Keys.onDownPressed: event => event.modifiers & Qt.ShiftModifier ? selection.extend(1) : selection.move(1)
    Keys.onSpacePressed: selection.toggleCurrent()
    Keys.onShortcutOverride: event => event.accepted = event.matches(StandardKey.SelectAll)

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
