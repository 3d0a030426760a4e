pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The summary as paragraphs: headings in semibold, the rest as the rich text SummaryParagraphs
// writes from their inline Markdown, every one selectable, the search text marked.
Item {
    id: root
    // Each {heading: bool, text: string}.
    required property var paragraphs
    property string query

    EmptyState {
        anchors.centerIn: parent
        visible: root.paragraphs.length === 0
        title: Strings.t("还没有纪要")
        iconName: "text.alignleft"
        description: Strings.t("已有纪要会显示在这里。完成转写后，可在「AI 整理」中生成纪要。")
    }

    Flickable {
        id: flick
        anchors.fill: parent
        visible: root.paragraphs.length > 0
        clip: true
        contentHeight: column.implicitHeight + Theme.spacingHuge * 2
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: column
            y: Theme.spacingHuge
            width: flick.width - Theme.spacing
            spacing: Theme.spacingLarge
            Repeater {
                model: root.paragraphs
                delegate: SelectableText {
                    id: paragraph
                    required property var modelData
                    Layout.fillWidth: true
                    Layout.topMargin: modelData.heading ? Theme.spacingSmall : 0
                    text: modelData.text
                    textFormat: modelData.heading ? TextEdit.PlainText : TextEdit.RichText
                    query: root.query
                    font.pixelSize: modelData.heading ? Theme.summaryHeadingFontSize : Theme.summaryFontSize
                    font.weight: modelData.heading ? Font.DemiBold : Font.Normal
                    LineSpacing {
                        document: paragraph.textDocument
                        spacing: paragraph.modelData.heading ? 0 : Theme.summaryLineSpacing
                    }
                }
            }
        }
    }
}
