pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Hushnote.Ui

// One of the document's two tabs: the label over a small capsule, coloured while selected.
AbstractButton {
    id: control
    property bool selected: false

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    checkable: false
    padding: 2
    Accessible.role: Accessible.PageTab
    Accessible.name: text
    Accessible.selected: selected
    // A page tab's press does not reach the button by itself: screen readers and switch devices
    // press it here. The keyboard switches with Space (the button's own) or Enter.
    Accessible.onPressAction: control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()

    // The label takes its semibold width whether selected or not, so that switching tabs does
    // not shift the tab beside it.
    TextMetrics {
        id: semibold
        text: control.text
        font.pixelSize: Theme.titleFontSize - 1
        font.weight: Font.DemiBold
    }

    contentItem: Column {
        spacing: 5
        PlainLabel {
            anchors.horizontalCenter: parent.horizontalCenter
            width: Math.max(implicitWidth, Math.ceil(semibold.advanceWidth))
            horizontalAlignment: Text.AlignHCenter
            text: control.text
            color: control.selected || control.hovered ? Theme.text : Theme.muted
            font.pixelSize: Theme.titleFontSize - 1
            font.weight: control.selected ? Font.DemiBold : Font.Normal
        }
        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: Theme.tabMarkerWidth
            height: Theme.tabMarkerHeight
            radius: height / 2
            color: control.selected ? Theme.amber : "transparent"
        }
    }
    background: Rectangle {
        radius: 4
        color: "transparent"
        border.width: control.visualFocus ? Theme.focusRingWidth : 0
        border.color: Theme.amberAt(Theme.focusRingOpacity)
    }
}
