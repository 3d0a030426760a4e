pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// A labelled multi-line editor with its "N / limit" counter, red past the limit, and a hint below.
ColumnLayout {
    id: root
    property string label
    property string counter
    property bool over: false
    property string hint
    property alias text: area.text
    property string accessibleName: label
    property real editorHeight: 60
    property int fontSize: Theme.fontSize
    property real padding: 8
    property real radius: 7
    spacing: Theme.spacingTiny
    Layout.fillWidth: true

    RowLayout {
        Layout.fillWidth: true
        PlainLabel { text: root.label; color: Theme.text; font.pixelSize: Theme.fontSize }
        Item { Layout.fillWidth: true }
        PlainLabel {
            objectName: "counter"
            text: root.counter
            color: root.over ? Theme.danger : Theme.muted
            font.pixelSize: Theme.smallFontSize
            font.family: Theme.monoFamily
        }
    }
    ScrollView {
        Layout.fillWidth: true
        Layout.preferredHeight: root.editorHeight
        TextArea {
            id: area
            wrapMode: TextEdit.Wrap
            color: Theme.text
            selectionColor: Theme.amberAt(0.45)
            font.pixelSize: root.fontSize
            padding: root.padding
            Accessible.name: root.accessibleName
            background: Rectangle {
                radius: root.radius
                color: Theme.white(0.035)
                border.color: area.activeFocus ? Theme.amberAt(Theme.focusRingOpacity) : "transparent"
                border.width: Theme.focusRingWidth
            }
        }
    }
    Note { visible: root.hint.length > 0; text: root.hint }
}
