pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// Stands in for the document while several notes are marked: how many, and the queue's two
// actions for all of them ("全部转写", "全部转写并整理"). The notes are worked through one after the
// other in the processing queue (the sidebar's chip shows it); consent is asked once for all.
Item {
    id: root
    required property NoteSelection selection
    // The queue's controller; without one (a test of the view alone) the buttons stay disabled.
    property QtObject queue: null

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * Theme.spacingHuge, 420)
        spacing: Theme.spacing

        Icon {
            Layout.alignment: Qt.AlignHCenter
            name: "doc.on.doc"
            size: 30
            color: Theme.muted
        }
        PlainLabel {
            objectName: "selectionCount"
            Layout.alignment: Qt.AlignHCenter
            text: root.selection.summaryText
            color: Theme.text
            font.pixelSize: Theme.titleFontSize
            font.weight: Font.DemiBold
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        PlainLabel {
            Layout.fillWidth: true
            text: Strings.t("加入处理队列后逐条转写，每段完成即保存；可在侧栏的处理队列中查看或停止。")
            color: Theme.muted
            font.pixelSize: Theme.fontSize
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        PlainLabel {
            Layout.fillWidth: true
            visible: root.selection.liveCount < root.selection.count
            text: Strings.t("废纸篓中的笔记不会加入队列。")
            color: Theme.muted
            font.pixelSize: Theme.smallFontSize
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: Theme.spacingSmall
            spacing: Theme.spacingSmall
            SheetButton {
                objectName: "transcribeAllButton"
                text: Strings.t("全部转写")
                enabled: root.queue !== null && root.selection.canProcess
                onClicked: root.queue.enqueue(root.selection.liveIDs(), false)
            }
            SheetButton {
                objectName: "transcribeAndSummarizeAllButton"
                isDefault: true
                text: Strings.t("全部转写并整理")
                enabled: root.queue !== null && root.selection.canProcess
                onClicked: root.queue.enqueue(root.selection.liveIDs(), true)
            }
        }
    }
}
