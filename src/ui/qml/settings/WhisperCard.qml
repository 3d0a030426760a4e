pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import Hushnote.Ui

// The Whisper part: engine status, model picker, check / download / cancel, switching to the model.
SettingsCard {
    id: card
    required property QtObject downloads
    title: Strings.t("转写 · Whisper")
    iconName: "waveform"
    badge: whisper.inUse

    WhisperSettings {
        id: whisper
        downloads: card.downloads
    }
    FileDialog {
        id: modelChooser
        title: Strings.t("添加模型文件…")
        nameFilters: [Strings.t("Whisper 模型") + " (*.bin)", Strings.t("所有文件") + " (*)"]
        onAccepted: whisper.addModelFile(selectedFile)
    }

    RowLayout {
        spacing: Theme.spacingSmall
        Icon {
            name: whisper.engineReady ? "checkmark.circle" : "exclamationmark.triangle"
            color: whisper.engineReady ? Theme.amber : Theme.danger
        }
        PlainLabel {
            text: whisper.engineStatus
            color: whisper.engineReady ? Theme.text : Theme.danger
            font.pixelSize: Theme.fontSize
        }
    }
    SettingsPicker {
        label: Strings.t("转写模型")
        model: whisper.modelNames
        currentIndex: whisper.modelIndex
        enabled: !whisper.busy
        onActivated: index => whisper.modelIndex = index
    }
    Flow {
        Layout.fillWidth: true
        spacing: Theme.spacingSmall
        QuietButton { raised: true; text: Strings.t("检测模型"); enabled: !whisper.busy; onClicked: whisper.checkModel() }
        QuietButton { raised: true; text: Strings.t("下载模型"); enabled: !whisper.busy; onClicked: whisper.download() }
        QuietButton { raised: true; text: Strings.t("取消"); enabled: whisper.busy; onClicked: whisper.cancel() }
        QuietButton { raised: true; text: Strings.t("添加模型文件…"); enabled: !whisper.busy; onClicked: modelChooser.open() }
        QuietButton {
            raised: true
            visible: whisper.selectedIsAdded
            text: Strings.t("移除此模型")
            enabled: !whisper.busy
            onClicked: whisper.removeSelected()
        }
        SheetButton {
            isDefault: true
            text: Strings.t("使用此模型转写")
            enabled: !whisper.busy
            onClicked: whisper.useSelected()
        }
    }
    RowLayout {
        visible: whisper.downloading
        Layout.fillWidth: true
        spacing: Theme.spacing
        ProgressBar {
            id: bar
            Layout.fillWidth: true
            value: whisper.fraction
            Accessible.name: whisper.bytesText
            background: Rectangle { implicitHeight: 6; radius: 3; color: Theme.white(0.08) }
            contentItem: Item {
                implicitHeight: 6
                Rectangle { width: bar.visualPosition * parent.width; height: parent.height; radius: 3; color: Theme.amber }
            }
        }
        PlainLabel { text: whisper.bytesText; color: Theme.muted; font.pixelSize: Theme.smallFontSize; font.family: Theme.monoFamily }
    }
    // Right under the buttons and the progress bar it reports on.
    StatusLine { text: whisper.message; failed: whisper.failed }
    Note { text: Strings.t("从官方模型仓库下载，校验通过后可离线转写。模型越大，通常越准确，也需要更多内存。") }
    SettingsPicker {
        objectName: "spokenLanguagePicker"
        label: Strings.t("说话语言")
        model: whisper.languageNames
        currentIndex: whisper.languageIndex
        onActivated: index => whisper.languageIndex = index
    }
    SettingsPicker {
        objectName: "threadPicker"
        label: Strings.t("线程数")
        model: whisper.threadChoices
        currentIndex: whisper.threadIndex
        onActivated: index => whisper.threadIndex = index
    }
    Note {
        objectName: "engineDevice"
        visible: text !== ""
        text: whisper.deviceLine
    }
    Note { text: Strings.t("自动检测会在每条笔记的第一段语音里识别一次语言，之后都按这种语言转写。") }
    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.spacingSmall
        SettingsSwitch {
            objectName: "voiceDetection"
            text: Strings.t("跳过静音（语音检测）")
            checked: whisper.voiceDetection
            onToggled: whisper.voiceDetection = checked
        }
        Item { Layout.fillWidth: true }
        QuietButton {
            raised: true
            visible: !whisper.detectorInstalled
            text: Strings.t("下载语音检测模型")
            enabled: !whisper.busy
            onClicked: whisper.downloadDetector()
        }
    }
    RowLayout {
        spacing: Theme.spacingSmall
        PlainLabel { text: Strings.t("当前转写模型"); color: Theme.muted; font.pixelSize: Theme.smallFontSize }
        PlainLabel { text: whisper.currentModel; color: Theme.text; font.pixelSize: Theme.smallFontSize }
    }
}
