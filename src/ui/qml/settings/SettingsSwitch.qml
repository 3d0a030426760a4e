pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Hushnote.Ui

// The settings' switch: an amber track when on, the label beside it, flush with the labels of
// the fields below it.
Switch {
    id: toggle
    leftPadding: 0
    Accessible.name: text
    contentItem: PlainLabel {
        leftPadding: toggle.indicator.width + toggle.spacing
        text: toggle.text
        color: Theme.text
        font.pixelSize: Theme.fontSize
        verticalAlignment: Text.AlignVCenter
    }
    indicator: Rectangle {
        x: toggle.leftPadding
        y: (toggle.height - height) / 2
        implicitWidth: 34
        implicitHeight: 18
        radius: 9
        color: toggle.checked ? Theme.amber : Theme.white(0.12)
        border.color: toggle.visualFocus ? Theme.amberAt(Theme.focusRingOpacity) : "transparent"
        Rectangle {
            x: toggle.checked ? parent.width - width - 2 : 2
            y: 2
            width: 14
            height: 14
            radius: 7
            color: Theme.text
            Behavior on x { NumberAnimation { duration: Theme.hoverDuration } }
        }
    }
}
