pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// Read-only text that can be selected and copied, with the search text marked in it.
TextEdit {
    id: root
    property string query

    readOnly: true
    selectByMouse: true
    wrapMode: TextEdit.Wrap
    color: Theme.text
    selectionColor: Theme.searchHit
    selectedTextColor: Theme.text
    font.family: Theme.fontFamily
    textFormat: TextEdit.PlainText
    activeFocusOnPress: true
    Accessible.role: Accessible.StaticText
    Accessible.name: getText(0, length)

    SearchHighlighter {
        document: root.textDocument
        query: root.query
        color: Theme.searchHit
    }
}
