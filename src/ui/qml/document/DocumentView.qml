import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// Not a bound-components file: on Qt 6.4 a Loader refuses to make a bound component ("outside its
// creation context").

// The selected note: eyebrow, title and date line, the stale-summary warning, the two tabs and
// either the transcript or the summary. Made anew for every note, so each starts at the top.
Item {
    id: root
    required property DocumentModel document
    required property QtObject viewState
    readonly property bool showSummary: viewState.showSummary

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.documentMargin
        anchors.rightMargin: Theme.documentMargin - Theme.spacing
        anchors.topMargin: 30
        spacing: 0

        Row {
            spacing: 7
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: Theme.eyebrowDot
                height: Theme.eyebrowDot
                radius: width / 2
                color: Theme.amber
            }
            PlainLabel {
                text: Strings.t("声音笔记")
                color: Theme.muted
                font.pixelSize: Theme.eyebrowFontSize
                font.letterSpacing: 2
            }
        }

        // The title shows at most a few lines and then an ellipsis: a foreign note may carry a
        // title of any length. The whole title stays in the accessible name and the editor.
        Item {
            Layout.fillWidth: true
            Layout.topMargin: Theme.spacingSmall
            implicitHeight: Math.min(title.implicitHeight, title.shownHeight)
            clip: true
            SelectableText {
                id: title
                readonly property int shownLines: 3
                readonly property real lineHeight: title.lineCount > 0 ? title.contentHeight / title.lineCount : 0
                readonly property real shownHeight: lineHeight * shownLines + topPadding + bottomPadding
                readonly property bool cut: title.lineCount > shownLines
                objectName: "documentTitle"
                width: parent.width
                text: root.document.title
                query: root.document.query
                font.pixelSize: Theme.documentTitleFontSize
                font.weight: Font.DemiBold
                font.letterSpacing: 0.3
            }
            PlainLabel {
                objectName: "documentTitleEllipsis"
                visible: title.cut
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                leftPadding: Theme.spacingSmall
                text: "…"
                color: Theme.text
                font: title.font
                Accessible.ignored: true
                Rectangle {
                    z: -1
                    anchors.fill: parent
                    color: Theme.canvas
                }
            }
        }

        Row {
            Layout.topMargin: Theme.spacingTiny
            spacing: Theme.spacing
            Repeater {
                model: [root.document.dateLine, "·", root.document.durationLabel]
                delegate: PlainLabel {
                    required property string modelData
                    text: modelData
                    color: Theme.muted
                    font.pixelSize: Theme.subtitleFontSize
                }
            }
        }

        PlainLabel {
            Layout.fillWidth: true
            Layout.topMargin: Theme.spacingSmall
            visible: root.document.summaryStale
            text: Strings.t("逐字稿已修改，纪要可能需要重新生成。")
            color: Theme.amber
            font.pixelSize: Theme.subtitleFontSize
            wrapMode: Text.Wrap
        }

        RowLayout {
            Layout.topMargin: Theme.spacingHuge
            Layout.bottomMargin: Theme.spacingSmall
            spacing: Theme.spacingLarge
            DocumentTab {
                objectName: "transcriptTab"
                text: Strings.t("逐字稿")
                selected: !root.showSummary
                onClicked: root.viewState.showSummary = false
            }
            DocumentTab {
                objectName: "summaryTab"
                text: Strings.t("纪要")
                selected: root.showSummary
                onClicked: root.viewState.showSummary = true
            }
            PlainLabel {
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 3
                visible: !root.showSummary
                text: Strings.t("点击时间回听")
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.rightMargin: Theme.spacing
            implicitHeight: 1
            color: Theme.line
        }

        Loader {
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: root.showSummary ? summary : root.document.hasSegments ? transcript : noTranscript
        }
    }

    Component {
        id: summary
        SummaryView {
            paragraphs: root.document.paragraphs
            query: root.document.query
        }
    }

    Component {
        id: noTranscript
        Item {
            EmptyState {
                anchors.centerIn: parent
                title: Strings.t("先听一听")
                iconName: "headphones"
                description: Strings.t("这段音频还没有逐字稿。点击右上角「AI 整理」，让声音变成文字。")
            }
        }
    }

    Component {
        id: transcript
        TranscriptList {
            objectName: "transcriptList"
            topMargin: Theme.spacingSmall
            rows: root.document.segments
            activeRow: root.document.segments.activeRow
            available: root.document.available
            query: root.document.query
            onPlayRequested: row => root.document.playRow(row)
            Component.onCompleted: {
                const first = root.document.firstMatchRow()
                if (first >= 0)
                    Qt.callLater(showRow, first)
            }
        }
    }
}
