pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The person's own OpenAI-compatible server for one role: address, model (typed or picked from the
// server's list), an optional key, check / save / remove.
SettingsCard {
    id: card
    property bool summary: false
    title: (summary ? Strings.t("纪要") : Strings.t("转写")) + " · " + Strings.t("自定义服务器")
    iconName: "server.rack"
    badge: server.inUse

    CustomServerCard {
        id: server
        objectName: card.summary ? "summaryCustomServer" : "transcriptionCustomServer"
        summary: card.summary
    }
    Component.onDestruction: server.cancelCheck()

    component LabelledField: RowLayout {
        id: row
        property string label
        property alias text: field.text
        property alias placeholderText: field.placeholderText
        property alias echoMode: field.echoMode
        signal edited(string text)
        Layout.fillWidth: true
        spacing: Theme.spacing
        Text { text: row.label; color: Theme.text; font.pixelSize: Theme.fontSize; Layout.preferredWidth: 136 }
        FieldBox {
            id: field
            Layout.fillWidth: true
            Accessible.name: row.label
            onTextEdited: row.edited(text)
        }
    }

    LabelledField {
        label: Strings.t("服务器地址")
        text: server.address
        placeholderText: "https://gpu.example.org/v1"
        onEdited: text => server.address = text
    }
    LabelledField {
        label: Strings.t("模型")
        text: server.model
        placeholderText: Strings.t("输入模型名称，或检测后从列表选择")
        onEdited: text => server.model = text
    }
    SettingsPicker {
        visible: server.listedModels.length > 0
        label: Strings.t("服务器上的模型")
        placeholder: Strings.t("选择模型")
        model: server.listedModels
        currentIndex: server.listedModels.indexOf(server.model)
        onActivated: index => server.model = server.listedModels[index]
    }
    LabelledField {
        label: "API Key"
        echoMode: TextInput.Password
        text: server.key
        placeholderText: Strings.t("可选；输入新 Key 可替换，留空保留")
        onEdited: text => server.key = text
    }
    Flow {
        Layout.fillWidth: true
        spacing: Theme.spacingSmall
        QuietButton {
            raised: true
            text: Strings.t("检测连接")
            enabled: !server.checking && !server.saving
            onClicked: server.check()
        }
        SheetButton {
            isDefault: true
            text: Strings.t("保存")
            enabled: !server.saving
            onClicked: server.save()
        }
        QuietButton {
            raised: true
            text: Strings.t("移除 Key")
            enabled: server.keySaved && !server.saving
            onClicked: server.removeKey()
        }
    }
    Note { text: Strings.t("地址需为 https://，或本机、局域网的 http:// 地址。发送到其他电脑前会先征得同意；本机服务器无需确认。") }
    StatusLine { text: server.checking ? Strings.t("正在检测…") : server.message; failed: server.failed }
}
