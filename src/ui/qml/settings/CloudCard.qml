pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// One cloud card: provider, model, a key field that is never filled in, check / save / remove.
SettingsCard {
    id: card
    property bool summary: false
    title: summary ? Strings.t("纪要") : Strings.t("转写")
    iconName: summary ? "text.alignleft" : "waveform"
    badge: cloud.inUse

    CloudModelCard {
        id: cloud
        objectName: card.summary ? "summaryCloud" : "transcriptionCloud"
        summary: card.summary
    }
    Component.onDestruction: cloud.cancelCheck()

    SettingsPicker {
        label: Strings.t("供应商")
        model: cloud.providerTitles
        currentIndex: cloud.providerIndex
        onActivated: index => cloud.providerIndex = index
    }
    SettingsPicker {
        label: Strings.t("模型")
        model: cloud.modelChoices
        currentIndex: cloud.modelChoices.indexOf(cloud.model)
        onActivated: index => cloud.model = cloud.modelChoices[index]
    }
    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.spacing
        PlainLabel { text: "API Key"; color: Theme.text; font.pixelSize: Theme.fontSize; Layout.preferredWidth: 136 }
        FieldBox {
            Layout.fillWidth: true
            echoMode: TextInput.Password
            text: cloud.key
            placeholderText: Strings.t("输入新 Key 可替换，留空保留")
            Accessible.name: "API Key"
            onTextEdited: cloud.key = text
        }
    }
    Flow {
        Layout.fillWidth: true
        spacing: Theme.spacingSmall
        QuietButton {
            raised: true
            text: card.summary ? Strings.t("检测纪要 API") : Strings.t("检测转写 API")
            enabled: !cloud.checking && !cloud.saving
            onClicked: cloud.check()
        }
        SheetButton {
            isDefault: true
            text: card.summary ? Strings.t("保存纪要 API") : Strings.t("保存转写 API")
            enabled: !cloud.saving
            onClicked: cloud.save()
        }
        QuietButton {
            raised: true
            text: Strings.t("移除 Key")
            enabled: cloud.keySaved && !cloud.saving
            onClicked: cloud.removeKey()
        }
    }
    Note { text: Strings.t("仅检测连接与模型列表，不上传笔记或录音。") }
    StatusLine { text: cloud.checking ? Strings.t("正在检测…") : cloud.message; failed: cloud.failed }
}
