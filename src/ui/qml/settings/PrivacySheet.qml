pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "隐私与数据": what stays on this computer, what goes where, and the third-party licences.
Sheet {
    id: sheet
    required property AboutInfo about
    width: 560
    title: Strings.t("隐私与数据")

    ScrollView {
        id: scroller
        Layout.fillWidth: true
        Layout.preferredHeight: 420
        contentWidth: availableWidth
        // The last paragraphs lie below the fold: the bar says there is more to read.
        ScrollBar.vertical.policy: scroller.contentHeight > scroller.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
        ColumnLayout {
            width: scroller.availableWidth - 14 // clear of the scroll bar
            spacing: Theme.spacing
            Repeater {
                model: [
                    "录音、逐字稿、纪要和设置保存在这台电脑的用户数据文件夹中。API 密钥保存在系统凭据存储中，不写入配置文件。应用没有广告、分析或跟踪 SDK。",
                    "Whisper 在本机处理录音。Ollama 仅连接本机回环地址，并拒绝已标识的云模型；请同时检查你自己的 Ollama 服务配置。下载 Whisper 模型时会连接 Hugging Face，该站点可以看到网络地址。",
                    "云端转写会把音频发送至所选百炼地域、OpenAI 或 Grok；云端纪要会把逐字稿、模板及已启用的偏好发送至所选百炼地域、OpenAI、Grok 或 DeepSeek。每次发送前都会询问。本地资料不会发送给开发者的服务器。",
                    "API Check 仅发送密钥并查询供应商模型列表。供应商可记录网络地址、账户和请求；保存期限、处理地点与训练用途取决于你的服务协议，请在发送前查阅供应商的 API 条款。",
                    "废纸篓保留原始音频和文字，当前版本不提供永久清空。应用会保留上一次记录和配置备份。导出文件由你管理。可在模型 API 设置移除密钥；卸载应用不保证移除系统凭据存储中的密钥和资料。删除数据或隐私问题请联系 privacy@hushnote.app。",
                    "旧资料不会自动迁移。通过“打开资料库（只读）”选择旧目录，再将需要的笔记复制到我的资料库；旧配置可通过配置文件编辑器导入。"
                ]
                PlainLabel {
                    required property string modelData
                    Layout.fillWidth: true
                    text: Strings.t(modelData)
                    color: Theme.text
                    font.pixelSize: Theme.fontSize
                    wrapMode: Text.Wrap
                    lineHeight: 1.2
                }
            }
        }
    }

    buttons: [
        QuietButton {
            raised: true
            text: Strings.t("第三方许可证")
            enabled: sheet.about.hasLicenses
            onClicked: sheet.about.openLicenses()
        },
        Item { Layout.fillWidth: true },
        SheetButton { isDefault: true; text: Strings.t("好"); onClicked: sheet.close() }
    ]
}
