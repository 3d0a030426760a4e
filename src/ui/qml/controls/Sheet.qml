pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// A modal sheet in the middle of the window: a bold title, an optional message, the content and a
// row of buttons (the default one last, as the desktop puts it). Esc closes it.
Popup {
    id: sheet
    property string title
    property real titleFontSize: Theme.titleFontSize
    property string message
    default property alias content: body.data
    property alias buttons: buttonRow.data

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 380
    modal: true
    focus: true
    padding: 22
    closePolicy: Popup.CloseOnEscape

    Overlay.modal: Rectangle { color: Theme.overlayDim }
    background: Rectangle {
        color: Theme.surface
        radius: Theme.sheetRadius
        border.color: Theme.white(0.09)
        border.width: 1
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacing
        Accessible.role: Accessible.Dialog
        Accessible.name: sheet.title
        PlainLabel {
            Layout.fillWidth: true
            visible: sheet.title.length > 0
            text: sheet.title
            color: Theme.text
            font.pixelSize: sheet.titleFontSize
            font.bold: true
            wrapMode: Text.Wrap
        }
        PlainLabel {
            Layout.fillWidth: true
            visible: sheet.message.length > 0
            text: sheet.message
            color: Theme.muted
            font.pixelSize: Theme.fontSize
            wrapMode: Text.Wrap
            lineHeight: 1.15
        }
        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: Theme.spacingSmall
        }
        RowLayout {
            id: buttonRow
            Layout.alignment: Qt.AlignRight
            Layout.topMargin: Theme.spacingSmall
            spacing: Theme.spacingSmall
        }
    }
}
