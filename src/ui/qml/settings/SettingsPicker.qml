pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// A labelled menu-style picker on the dark surface. `label` is shown before it and is its
// accessible name; `placeholder` shows while nothing is chosen.
RowLayout {
    id: root
    property string label
    property alias model: box.model
    property alias currentIndex: box.currentIndex
    property string placeholder
    property real labelWidth: 136
    signal activated(int index)
    spacing: Theme.spacing
    Layout.fillWidth: true

    PlainLabel {
        text: root.label
        color: Theme.text
        font.pixelSize: Theme.fontSize
        Layout.preferredWidth: root.labelWidth
        elide: Text.ElideRight
    }
    ComboBox {
        id: box
        Layout.fillWidth: true
        implicitHeight: Theme.controlHeight
        font.pixelSize: Theme.fontSize
        displayText: currentIndex < 0 ? root.placeholder : currentText
        Accessible.name: root.label
        onActivated: index => root.activated(index)
        contentItem: PlainLabel {
            leftPadding: 10
            text: box.displayText
            color: box.currentIndex < 0 ? Theme.muted : Theme.text
            font: box.font
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        indicator: Icon {
            x: box.width - width - 10
            y: (box.height - height) / 2
            name: "chevron.down"
            size: 11
            color: Theme.muted
        }
        background: Rectangle {
            radius: 7
            color: Theme.white(box.hovered ? Theme.quietHoverFill : Theme.fieldFill)
            border.color: box.visualFocus ? Theme.amberAt(Theme.focusRingOpacity) : Theme.white(0.09)
            border.width: box.visualFocus ? Theme.focusRingWidth : Theme.quietBorderWidth
        }
        delegate: ItemDelegate {
            id: row
            required property int index
            required property var modelData
            width: box.width
            highlighted: box.highlightedIndex === index
            contentItem: PlainLabel {
                text: row.modelData
                color: Theme.text
                font.pixelSize: Theme.fontSize
                elide: Text.ElideRight
            }
            background: Rectangle { color: row.highlighted ? Theme.white(Theme.selectedRowFill) : "transparent"; radius: 5 }
        }
        popup: Popup {
            y: box.height + 2
            width: box.width
            implicitHeight: Math.min(contentItem.implicitHeight + 10, 320)
            padding: 5
            contentItem: ListView {
                clip: true
                implicitHeight: contentHeight
                model: box.popup.visible ? box.delegateModel : null
                currentIndex: box.highlightedIndex
            }
            background: Rectangle {
                color: Theme.surface
                radius: 8
                border.color: Theme.white(0.09)
                border.width: 1
            }
        }
    }
}
