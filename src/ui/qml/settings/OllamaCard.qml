pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The Ollama part: the server address, the installed models and saving Ollama as the summary engine.
SettingsCard {
    id: card
    title: Strings.t("纪要 · Ollama")
    iconName: "text.alignleft"
    badge: ollama.inUse

    OllamaSettings { id: ollama; objectName: "ollamaSettings" }

    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.spacing
        PlainLabel {
            text: Strings.t("Ollama 地址")
            color: Theme.text
            font.pixelSize: Theme.fontSize
            Layout.preferredWidth: 136
        }
        FieldBox {
            Layout.fillWidth: true
            text: ollama.url
            placeholderText: Strings.t("Ollama 地址")
            onTextEdited: ollama.url = text
        }
    }
    SettingsPicker {
        label: Strings.t("本地纪要模型")
        placeholder: Strings.t("选择已安装模型")
        model: ollama.modelLabels
        currentIndex: ollama.modelIndex
        onActivated: index => ollama.modelIndex = index
    }
    QuietButton {
        raised: true
        iconName: "arrow.clockwise"
        text: ollama.checking ? Strings.t("正在检测…") : Strings.t("检测 / 刷新模型")
        enabled: !ollama.checking
        onClicked: ollama.refresh()
    }
    Note { text: Strings.t("仅连接本机 Ollama，无需 API Key。请先在 Ollama 中下载聊天模型，再刷新列表。") }
    StatusLine { text: ollama.message; failed: ollama.failed }
    Rectangle { Layout.fillWidth: true; Layout.preferredHeight: 1; color: Theme.line }
    RowLayout {
        Layout.fillWidth: true
        Note { text: Strings.t("本地转写使用 Whisper，本地纪要使用 Ollama。两项可分别启用，保存不会发起生成请求。") }
        SheetButton { isDefault: true; text: Strings.t("保存"); onClicked: ollama.save() }
    }
}
