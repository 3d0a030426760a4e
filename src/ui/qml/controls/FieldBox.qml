pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// A rounded single-line text field on the dark surface; its placeholder is its accessible name.
TextField {
    id: field
    implicitHeight: Theme.controlHeight + 2
    leftPadding: 10
    rightPadding: 10
    color: Theme.text
    placeholderTextColor: Theme.muted
    selectionColor: Theme.amberAt(0.45)
    selectedTextColor: Theme.text
    font.pixelSize: Theme.fontSize
    selectByMouse: true
    Accessible.name: placeholderText
    background: Rectangle {
        radius: 7
        color: Theme.white(Theme.fieldFill)
        border.color: field.activeFocus ? Theme.amberAt(Theme.focusRingOpacity) : Theme.white(0.09)
        border.width: field.activeFocus ? Theme.focusRingWidth : Theme.quietBorderWidth
    }
}
