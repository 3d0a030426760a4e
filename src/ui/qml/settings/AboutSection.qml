pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "关于": the version, privacy, third-party licences and the configuration file editor.
SectionPage {
    title: Strings.t("关于 Hushnote")
    subtitle: Strings.t("把录音变成可校对的文字和清晰的纪要。")

    AboutInfo { id: about }

    ColumnLayout {
        spacing: Theme.spacingTiny
        PlainLabel {
            objectName: "versionLine"
            text: about.versionLine
            color: Theme.text
            font.pixelSize: Theme.fontSize
            font.family: Theme.monoFamily
        }
        Note { text: Strings.t("由 Hushnote 开发者制作。") }
        Text {
            text: "<a href=\"mailto:hello@hushnote.app\">hello@hushnote.app</a>"
            textFormat: Text.StyledText
            linkColor: Theme.amber
            font.pixelSize: Theme.smallFontSize
            onLinkActivated: link => Qt.openUrlExternally(link)
            Accessible.name: "hello@hushnote.app"
        }
    }
    QuietButton {
        raised: true
        iconName: "lock"
        text: Strings.t("隐私与数据")
        onClicked: privacy.open()
    }
    SettingsCard {
        title: Strings.t("配置文件")
        iconName: "doc.text"
        Note { text: Strings.t("编辑模型、语言、个性化偏好和模板 Prompt。API 密钥独立保存在系统凭据存储中。") }
        QuietButton {
            raised: true
            text: Strings.t("编辑配置文件")
            onClicked: configuration.openEditor()
        }
    }

    PrivacySheet { id: privacy; objectName: "privacySheet"; about: about }
    ConfigurationSheet { id: configuration; objectName: "configurationSheet" }
}
