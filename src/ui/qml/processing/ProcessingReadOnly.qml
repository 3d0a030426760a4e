pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// A note of a library opened read-only can only be copied into the home library first.
ColumnLayout {
    id: root
    required property ProcessingModel model
    spacing: Theme.spacing
    Layout.fillWidth: true

    PlainLabel {
        Layout.fillWidth: true
        text: Strings.t("先复制到我的资料库，再校对或整理。原资料保持不变。")
        color: Theme.text
        font.pixelSize: Theme.fontSize
        wrapMode: Text.Wrap
    }
    SheetButton {
        Layout.alignment: Qt.AlignRight
        isDefault: true
        enabled: root.model.hasRecord
        text: Strings.t("复制到我的资料库")
        onClicked: root.model.copyToLibrary()
    }
}
