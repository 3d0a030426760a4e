pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The export popover: "导出纪要" on the summary tab, else "导出逐字稿", and the two formats.
Popover {
    id: popover
    property bool summary: false
    signal formatChosen(string format)

    width: Theme.exportPopoverWidth
    contentItem: ColumnLayout {
        spacing: Theme.spacingSmall
        PlainLabel {
            text: popover.summary ? Strings.t("导出纪要") : Strings.t("导出逐字稿")
            color: Theme.text
            font.pixelSize: Theme.fontSize
            font.bold: true
            Layout.bottomMargin: 2
        }
        QuietButton {
            Layout.fillWidth: true
            text: Strings.t("纯文本 (.txt)")
            iconName: "doc.text"
            horizontalAlignment: Qt.AlignLeft
            raised: true
            onClicked: popover.formatChosen("txt")
        }
        QuietButton {
            Layout.fillWidth: true
            text: "Markdown (.md)"
            iconName: "text.alignleft"
            horizontalAlignment: Qt.AlignLeft
            raised: true
            onClicked: popover.formatChosen("md")
        }
        // Subtitles: on the transcript tab only.
        Repeater {
            model: ExportFormats.subtitleChoices(popover.summary)
            delegate: QuietButton {
                required property var modelData
                Layout.fillWidth: true
                text: modelData.label
                iconName: "doc.text"
                horizontalAlignment: Qt.AlignLeft
                raised: true
                onClicked: popover.formatChosen(modelData.format)
            }
        }
    }
}
