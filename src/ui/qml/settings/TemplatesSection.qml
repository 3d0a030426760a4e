pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "模板市场": the ten built-in templates, the default marked, each prompt editable in a sheet.
SectionPage {
    id: page
    title: Strings.t("模板市场")
    subtitle: Strings.t("内置模板 · 10 种整理方式")

    TemplateSettings { id: templates }
    onVisibleChanged: if (visible) templates.reload()

    Note { text: Strings.t("在线模板市场尚未接入。选择内置模板后，将用于下一次生成纪要。"); Layout.topMargin: -10 }
    StatusLine { text: templates.error; failed: true }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: Theme.spacing
        Repeater {
            model: templates.templates
            SettingsCard {
                id: entry
                required property var modelData
                RowLayout {
                    Layout.fillWidth: true
                    spacing: Theme.spacing
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        PlainLabel { text: entry.modelData.name; color: Theme.text; font.pixelSize: 14 }
                        Note { text: entry.modelData.description }
                    }
                    Badge {
                        visible: entry.modelData.isDefault
                        iconName: "checkmark.circle.fill"
                        text: Strings.t("默认")
                    }
                    QuietButton {
                        visible: !entry.modelData.isDefault
                        raised: true
                        text: Strings.t("设为默认")
                        onClicked: templates.setDefault(entry.modelData.id)
                    }
                    QuietButton {
                        raised: true
                        text: Strings.t("编辑 Prompt")
                        Accessible.name: entry.modelData.editLabel
                        onClicked: promptSheet.openFor(entry.modelData.id)
                    }
                }
            }
        }
    }

    PromptEditorSheet { id: promptSheet; objectName: "promptSheet" }
}
