pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// One segment in the note editor: its time, the speaker field and the text editor.
RowLayout {
    id: entry
    required property int index
    required property string timeLabel
    required property string speaker
    required property string text
    signal speakerEdited(string value)
    signal textEdited(string value)

    spacing: Theme.spacing

    PlainLabel {
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 8
        Layout.preferredWidth: 56
        text: entry.timeLabel
        color: Theme.muted
        font.family: Theme.monoFamily
        font.pixelSize: Theme.fontSize
    }
    FieldBox {
        Layout.alignment: Qt.AlignTop
        Layout.preferredWidth: Theme.speakerFieldWidth
        placeholderText: Strings.t("说话人（可选）")
        text: entry.speaker
        onTextEdited: entry.speakerEdited(text)
    }
    TextArea {
        Layout.fillWidth: true
        Layout.minimumHeight: Theme.segmentEditorMinHeight
        text: entry.text
        onTextChanged: if (text !== entry.text) entry.textEdited(text)
        wrapMode: TextEdit.Wrap
        color: Theme.text
        selectByMouse: true
        font.pixelSize: Theme.fontSize + 1
        Accessible.name: entry.timeLabel
        background: Rectangle {
            radius: 7
            color: Theme.white(Theme.fieldFill)
            border.width: parent.activeFocus ? Theme.focusRingWidth : 0
            border.color: Theme.amberAt(Theme.focusRingOpacity)
        }
    }
}
