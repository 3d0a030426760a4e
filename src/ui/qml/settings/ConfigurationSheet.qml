pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import Hushnote.Ui

// The configuration file editor: the settings as JSON, loading a file (nothing applied until
// "保存并应用"), cancelling, and applying.
Sheet {
    id: sheet
    width: 640
    title: Strings.t("配置文件")
    message: Strings.t("当前配置的 JSON 快照。保存后立即应用，并写入下方文件；外部修改请通过“从文件读取”载入。")

    function openEditor() {
        editor.reset()
        open()
    }

    ConfigurationEditor { id: editor }

    Shortcut {
        sequence: StandardKey.Save
        enabled: sheet.visible
        onActivated: if (editor.apply()) sheet.close()
    }

    ScrollView {
        Layout.fillWidth: true
        Layout.preferredHeight: 300
        TextArea {
            text: editor.text
            onTextChanged: editor.text = text
            color: Theme.text
            selectionColor: Theme.amberAt(0.45)
            font.family: Theme.monoFamily
            font.pixelSize: Theme.smallFontSize
            wrapMode: TextEdit.NoWrap
            padding: 10
            Accessible.name: Strings.t("配置 JSON")
            background: Rectangle { radius: 8; color: Theme.white(0.035) }
        }
    }
    PlainLabel {
        Layout.fillWidth: true
        text: editor.fileLocation
        color: Theme.muted
        font.family: Theme.monoFamily
        font.pixelSize: Theme.smallFontSize
        elide: Text.ElideMiddle
    }
    Note { text: Strings.t("不包含 API 密钥、笔记或音频。校验失败不会更改配置；上次保存的文件会保留为 .backup。") }
    StatusLine { objectName: "configurationError"; text: editor.error; failed: true }

    FileDialog {
        id: chooser
        title: Strings.t("从文件读取")
        nameFilters: ["JSON (*.json)"]
        onAccepted: editor.readFile(selectedFile)
    }

    buttons: [
        QuietButton { raised: true; text: Strings.t("从文件读取"); onClicked: chooser.open() },
        Item { Layout.fillWidth: true },
        SheetButton { text: Strings.t("取消"); onClicked: sheet.close() },
        SheetButton {
            isDefault: true
            text: Strings.t("保存并应用")
            onClicked: if (editor.apply()) sheet.close()
        }
    ]
}
