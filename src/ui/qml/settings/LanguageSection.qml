pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "系统语言": the three interface languages; choosing one switches every window at once.
SectionPage {
    title: Strings.t("系统语言")
    subtitle: Strings.t("选择 Hushnote 的界面语言，立即生效。")

    SettingsCard {
        Repeater {
            model: [
                { code: "zh-Hans", name: "简体中文" },
                { code: "zh-Hant", name: "繁體中文" },
                { code: "en", name: "English" }
            ]
            QuietButton {
                required property var modelData
                Layout.fillWidth: true
                horizontalAlignment: Qt.AlignLeft
                text: modelData.name
                selected: Strings.language === modelData.code
                // The mark keeps its place on every row so the names line up.
                iconName: "checkmark.circle.fill"
                iconColor: selected ? Theme.amber : "transparent"
                onClicked: Strings.setLanguage(modelData.code)
            }
        }
    }
    Note { text: Strings.t("语言设置不会修改已有笔记或自定义 Prompt。") }
    Note {
        visible: Strings.saveError !== ""
        text: Strings.saveError
        textFormat: Text.PlainText
        color: Theme.danger
    }
}
