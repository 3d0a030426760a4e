import QtQuick
import QtTest
import Hushnote.Ui

// A summary paragraph keeps the gap between its lines when its rich text is replaced (the
// text view rebuilds its document then).
TestCase {
    name: "SummaryLineSpacing"
    when: windowShown
    width: 300
    height: 400

    Component {
        id: paragraphComponent
        TextEdit {
            id: paragraph
            property alias spacing: gap.spacing
            width: 160
            wrapMode: TextEdit.Wrap
            textFormat: TextEdit.RichText
            font.pixelSize: 15
            LineSpacing { id: gap; document: paragraph.textDocument; spacing: 9 }
        }
    }

    function test_gapSurvivesNewText() {
        const paragraph = createTemporaryObject(paragraphComponent, this)
        paragraph.text = "<b>播放器</b>与波形九月前完成，市场部申请增加两场线下活动，周五前各自更新进度。"
        const lines = paragraph.lineCount
        verify(lines > 2, "the paragraph wraps: " + lines)
        const spaced = paragraph.contentHeight
        paragraph.spacing = 0
        const tight = paragraph.contentHeight
        fuzzyCompare(spaced - tight, 9 * lines, 1)
    }
}
