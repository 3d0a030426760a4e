pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// One note of the list: "waveform" when selected, else "doc.text"; the title; the date and length.
// Marked rows (several notes chosen with Ctrl or Shift) are highlighted like the selected one.
ItemDelegate {
    id: row
    required property string recordId
    required property string title
    required property string dateLine
    required property bool selected
    required property bool marked
    signal activated()
    signal menuRequested()

    implicitHeight: Theme.recordRowHeight
    padding: 0
    leftPadding: 10
    rightPadding: 10
    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    highlighted: marked
    Accessible.name: title
    Accessible.description: dateLine
    Accessible.selectable: true
    Accessible.selected: marked
    Accessible.onPressAction: row.activated()
    onClicked: row.activated()

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: row.menuRequested()
    }

    contentItem: RowLayout {
        spacing: 9
        Icon {
            Layout.alignment: Qt.AlignTop
            // Centred on the title's line (the two lines are centred in the row).
            Layout.topMargin: lines.y + (titleText.height - height) / 2
            name: row.selected ? "waveform" : "doc.text"
            size: Theme.smallIconSize
            color: row.selected ? Theme.amber : Theme.muted
        }
        ColumnLayout {
            id: lines
            Layout.fillWidth: true
            spacing: 3
            PlainLabel {
                id: titleText
                Layout.fillWidth: true
                text: row.title
                color: Theme.text
                font.pixelSize: Theme.fontSize
                font.weight: row.selected ? Font.DemiBold : Font.Normal
                elide: Text.ElideRight
            }
            PlainLabel {
                Layout.fillWidth: true
                text: row.dateLine
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
                elide: Text.ElideRight
            }
        }
    }

    background: Rectangle {
        radius: Theme.quietRadius
        color: row.marked ? Theme.white(Theme.selectedRowFill)
                          : row.hovered ? Theme.white(Theme.hoverRowFill) : "transparent"
        border.color: row.selected ? Theme.amberAt(Theme.focusRingOpacity)
                                   : row.marked ? Theme.white(Theme.quietBorderOpacity) : "transparent"
        border.width: Theme.quietBorderWidth
        Behavior on color { ColorAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutQuad } }
    }
}
