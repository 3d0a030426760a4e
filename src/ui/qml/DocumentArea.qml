import QtQuick
import Hushnote.Ui

// Not a bound-components file: on Qt 6.4 a Loader refuses to make a bound component ("outside its
// creation context").

// The selected note's document, or the quiet empty state, and the note editor sheet. The
// document is made anew whenever another note is selected. With several notes marked, a short
// summary of them with the queue's actions stands in its place.
Item {
    id: root
    required property QtObject viewState
    required property QtObject workspace
    required property QtObject audio
    property NoteSelection selection: null
    property QtObject queue: null
    readonly property bool several: selection !== null && selection.several
    objectName: "documentArea"
    // Nothing a note holds draws outside the document's place (over the player bar, the list).
    clip: true

    // Shows the transcript (false) or the summary (true).
    function showTab(summary) {
        root.viewState.showSummary = summary
    }

    // Opens the editor on the selected note, on the tab being shown.
    function openEditor() {
        if (!noteDraft.beginSelected(root.viewState.showSummary))
            return
        editorLoader.active = true
        editorLoader.item.open()
    }

    DocumentModel {
        id: documentModel
        workspace: root.workspace
        audio: root.audio
        onRecordChanged: root.showNote()
    }

    RecordDraft {
        id: noteDraft
        workspace: root.workspace
    }

    function showNote() {
        if (documentLoader.shownID === documentModel.recordID && documentLoader.item)
            return
        documentLoader.shownID = documentModel.recordID
        documentLoader.sourceComponent = null
        documentLoader.sourceComponent = documentModel.hasRecord ? documentView : null
    }
    Component.onCompleted: showNote()

    Loader {
        id: documentLoader
        property string shownID
        anchors.fill: parent
        visible: !root.several
    }

    Loader {
        anchors.fill: parent
        active: root.several
        sourceComponent: SelectionSummary {
            objectName: "selectionSummary"
            selection: root.selection
            queue: root.queue
        }
    }

    Component {
        id: documentView
        DocumentView {
            objectName: "documentView"
            document: documentModel
            viewState: root.viewState
        }
    }

    EmptyState {
        anchors.centerIn: parent
        visible: !documentModel.hasRecord && !root.several
        title: Strings.t("这里还很安静")
        iconName: "waveform"
        description: Strings.t("打开一段音频，或选择已有资料库。")
    }

    Loader {
        id: editorLoader
        active: false
        sourceComponent: RecordEditor {
            objectName: "recordEditor"
            draft: noteDraft
            onClosed: editorLoader.active = false
        }
    }
}
