pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// A popover that hangs below the button that opened it: the raised surface with a hairline
// border, closed by Esc or a click outside.
Popup {
    id: popover
    padding: Theme.popoverPadding
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
    focus: true
    background: Rectangle {
        color: Theme.surface
        radius: Theme.popoverRadius
        border.color: Theme.white(0.09)
        border.width: 1
    }
}
