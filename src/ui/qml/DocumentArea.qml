import QtQuick
import Hushnote.Ui

// The selected note's document, or the empty state.
Item {
    required property QtObject viewState
    function openEditor() {}
}
