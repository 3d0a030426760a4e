pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The prompt of one built-in template: its N / 8000 counter, restoring the built-in text, saving.
Sheet {
    id: sheet
    width: 600
    title: prompt.name
    titleFontSize: 21

    function openFor(id) {
        prompt.templateID = id
        open()
    }

    PromptEditor { id: prompt }

    Shortcut { sequence: StandardKey.Save; enabled: sheet.visible; onActivated: if (prompt.save()) sheet.close() }

    CountedEditor {
        label: Strings.t("编辑 Prompt")
        counter: prompt.counter
        over: prompt.over
        editorHeight: 260
        fontSize: 14
        padding: 12
        radius: 8
        text: prompt.prompt
        onTextChanged: prompt.prompt = text
        accessibleName: Strings.t("模板 Prompt")
    }
    Note { text: Strings.t("保存后用于此模板的后续生成，已有纪要不会改动。") }
    StatusLine { text: prompt.error; failed: true }

    buttons: [
        QuietButton {
            raised: true
            text: Strings.t("恢复内置 Prompt")
            onClicked: prompt.restoreBuiltIn()
        },
        Item { Layout.fillWidth: true },
        SheetButton { text: Strings.t("取消"); onClicked: sheet.close() },
        SheetButton {
            isDefault: true
            text: Strings.t("保存")
            onClicked: if (prompt.save()) sheet.close()
        }
    ]
}
