pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// A button of a sheet's button row; the default one is drawn in amber and answers Return.
QuietButton {
    id: control
    property bool isDefault: false
    raised: true
    implicitWidth: Math.max(76, implicitContentWidth + leftPadding + rightPadding)
    textColor: isDefault ? Theme.selectionText : Theme.text
    background: Rectangle {
        radius: control.radius
        color: control.isDefault ? Qt.lighter(Theme.amber, control.down ? 0.9 : control.hovered ? 1.06 : 1)
                                 : Theme.white(Theme.quietFill(control.down, control.hovered, control.enabled, false, true))
        border.color: control.visualFocus ? Theme.amberAt(Theme.focusRingOpacity) : Theme.white(Theme.quietBorderOpacity)
        border.width: control.visualFocus ? 2 : Theme.quietBorderWidth
        Behavior on color { ColorAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutQuad } }
    }
}
