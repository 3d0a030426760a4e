pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// "模型 API": the cloud providers for transcription and for summaries, with their keys.
SectionPage {
    title: Strings.t("模型 API")
    subtitle: Strings.t("连接云端模型服务，密钥保存在系统凭据存储中。")

    Note { text: Strings.t("使用相应的云服务，费用由供应商收取") }
    CloudCard { summary: false }
    CloudCard { summary: true }
    CustomServerSettingsCard { summary: false }
    CustomServerSettingsCard { summary: true }
}
