pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Hushnote.Ui

// The player bar's small volume slider on the dark palette.
Slider {
    id: control
    from: 0
    to: 1
    implicitWidth: Theme.volumeSliderWidth
    focusPolicy: Qt.StrongFocus
    background: Rectangle {
        x: control.leftPadding
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: control.availableWidth
        height: 3
        radius: 1.5
        color: Theme.white(0.14)
        Rectangle {
            width: control.visualPosition * parent.width
            height: parent.height
            radius: parent.radius
            color: Theme.muted
        }
    }
    handle: Rectangle {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: control.topPadding + control.availableHeight / 2 - height / 2
        width: 11
        height: 11
        radius: 5.5
        color: Theme.text
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.amber
    }
}
