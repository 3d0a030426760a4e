pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The running job: its progress, its progress text and the button that stops it, keeping what is done.
ColumnLayout {
    id: root
    required property ProcessingModel model
    spacing: Theme.spacing
    Layout.fillWidth: true

    ProgressBar {
        id: bar
        Layout.fillWidth: true
        from: 0
        to: 1
        value: root.model.progress
        Accessible.name: root.model.progressText
        background: Rectangle { implicitHeight: 6; radius: 3; color: Theme.white(0.08) }
        contentItem: Item {
            implicitHeight: 6
            Rectangle {
                width: bar.visualPosition * parent.width
                height: parent.height
                radius: 3
                color: Theme.amber
            }
        }
    }
    PlainLabel {
        objectName: "progressText"
        Layout.fillWidth: true
        text: root.model.progressText
        color: Theme.text
        font.pixelSize: Theme.fontSize
        wrapMode: Text.Wrap
    }
    Text {
        objectName: "runningLanguage"
        visible: !root.model.transcriptionDone
        text: root.model.languageLine
        color: Theme.muted
        font.pixelSize: Theme.fontSize
    }
    QuietButton {
        Layout.alignment: Qt.AlignRight
        raised: true
        iconName: "xmark"
        text: Strings.t("停止并保留进度")
        onClicked: root.model.stop()
    }
}
