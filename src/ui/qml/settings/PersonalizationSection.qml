pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "个性化整理": the switch and the three personalisation texts, with counters that turn red past
// their limits (typing on is allowed; saving enforces them).
SectionPage {
    id: page
    title: Strings.t("个性化整理")
    subtitle: Strings.t("让纪要贴近你的工作与关注点。")

    PreferencesEditor { id: editor; objectName: "preferencesEditor" }

    Shortcut { sequence: StandardKey.Save; enabled: page.visible; onActivated: editor.save() }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: Theme.spacingTiny
        SettingsSwitch {
            objectName: "personalizationSwitch"
            text: Strings.t("启用个性化整理")
            checked: editor.enabled
            onToggled: editor.enabled = checked
        }
        Note { text: Strings.t("启用后，这些偏好会随纪要请求发送给所选服务。关闭后保留填写内容，但不会用于生成。") }
    }

    ColumnLayout {
        objectName: "personalFields"
        Layout.fillWidth: true
        spacing: Theme.spacingLarge
        enabled: editor.enabled
        opacity: editor.enabled ? 1 : 0.5

        CountedEditor {
            objectName: "backgroundEditor"
            label: Strings.t("个人背景")
            counter: editor.backgroundCounter
            over: editor.backgroundOver
            hint: Strings.t("例如：我负责产品研究，关注客户真实的使用场景。")
            text: editor.background
            onTextChanged: editor.background = text
        }
        CountedEditor {
            label: Strings.t("关注重点")
            counter: editor.focusCounter
            over: editor.focusOver
            hint: Strings.t("例如：优先提炼需求依据、分歧与待验证问题。")
            text: editor.focus
            onTextChanged: editor.focus = text
        }
        CountedEditor {
            label: Strings.t("自定义要求")
            counter: editor.instructionsCounter
            over: editor.instructionsOver
            hint: Strings.t("例如：行动项用表格呈现；没有负责人的事项写未明确。")
            text: editor.instructions
            onTextChanged: editor.instructions = text
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.spacingSmall
        StatusLine {
            text: editor.error.length > 0 ? editor.error : editor.message
            failed: editor.error.length > 0
        }
        Item { Layout.fillWidth: true; visible: editor.error.length === 0 && editor.message.length === 0 }
        QuietButton { raised: true; text: Strings.t("还原未保存修改"); onClicked: editor.revert() }
        SheetButton { objectName: "savePreferences"; isDefault: true; text: Strings.t("保存偏好"); onClicked: editor.save() }
    }
}
