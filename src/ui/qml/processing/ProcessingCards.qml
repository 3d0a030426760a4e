pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The transcription card and the summary card of the selected note.
ColumnLayout {
    id: root
    required property ProcessingModel model
    spacing: Theme.spacing
    Layout.fillWidth: true

    SettingsCard {
        title: Strings.t("转写")
        iconName: "waveform"
        caption: root.model.asrTitle

        RowLayout {
            visible: root.model.transcriptionDone
            spacing: Theme.spacingSmall
            Icon { name: "checkmark.circle"; color: Theme.amber }
            PlainLabel { text: Strings.t("文字已经就绪。"); color: Theme.text; font.pixelSize: Theme.fontSize }
        }
        PlainLabel {
            objectName: "chunkStatus"
            visible: !root.model.transcriptionDone && root.model.hasRecord
            text: root.model.statusLine
            color: Theme.text
            font.pixelSize: Theme.fontSize
            font.family: Theme.monoFamily
        }
        Text {
            objectName: "languageLine"
            visible: !root.model.transcriptionDone && root.model.hasRecord
            text: root.model.languageLine
            color: Theme.muted
            font.pixelSize: Theme.fontSize
        }
        Note {
            visible: !root.model.transcriptionDone
            text: Strings.t("转写进度会自动保存，可随时暂停后继续。")
        }
        SheetButton {
            objectName: "transcribeButton"
            visible: !root.model.transcriptionDone
            Layout.alignment: Qt.AlignRight
            isDefault: true
            enabled: root.model.canTranscribe
            text: root.model.transcribeLabel
            onClicked: root.model.startTranscription()
        }
    }

    SettingsCard {
        title: Strings.t("纪要")
        iconName: "text.alignleft"
        caption: root.model.summaryTitle

        SettingsPicker {
            objectName: "templatePicker"
            label: Strings.t("纪要模板")
            labelWidth: 72
            model: root.model.templateNames
            currentIndex: root.model.templateIndex
            onActivated: index => root.model.templateIndex = index
        }
        Note { text: Strings.t("选择模板后，点击下方按钮生成；不会更改全局默认模板。") }
        PlainLabel {
            visible: root.model.personalized
            text: Strings.t("已启用个性化整理")
            color: Theme.amber
            font.pixelSize: Theme.smallFontSize
        }
        Note {
            visible: root.model.hasRecord && !root.model.transcriptionDone
            text: Strings.t("转写完成后，即可生成纪要。")
        }
        SheetButton {
            objectName: "summaryButton"
            Layout.alignment: Qt.AlignRight
            isDefault: true
            enabled: root.model.canSummarize
            text: root.model.summaryLabel
            onClicked: root.model.startSummary()
        }
    }
}
