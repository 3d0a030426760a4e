pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The queue panel: each note of the processing queue with its state, chunk progress, message and
// "停止"; "全部停止" for every note, "继续处理" for notes that wait or were stopped.
Popover {
    id: popover
    required property QueuePanelModel panel
    objectName: "queuePopover"
    width: 340
    onAboutToShow: panel.reload()

    contentItem: ColumnLayout {
        spacing: Theme.spacingSmall

        RowLayout {
            spacing: Theme.spacingSmall
            Icon { name: "clock"; color: Theme.amber; size: 16 }
            PlainLabel {
                Layout.fillWidth: true
                text: Strings.t("处理队列")
                color: Theme.text
                font.pixelSize: Theme.titleFontSize
                font.bold: true
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
        }
        PlainLabel {
            visible: text.length > 0
            text: popover.panel.statusText
            color: Theme.muted
            font.pixelSize: Theme.smallFontSize
        }

        ListView {
            id: rows
            objectName: "queueList"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(contentHeight, 320)
            clip: true
            spacing: 2
            boundsBehavior: Flickable.StopAtBounds
            model: popover.panel
            activeFocusOnTab: true
            keyNavigationEnabled: true
            Accessible.role: Accessible.List
            Accessible.name: Strings.t("处理队列")
            ScrollBar.vertical: ScrollBar {}
            delegate: QueueRow {
                width: ListView.view.width
                onStopRequested: popover.panel.stop(noteId)
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: Theme.spacingTiny
            spacing: Theme.spacingSmall
            Item { Layout.fillWidth: true }
            SheetButton {
                objectName: "resumeQueueButton"
                visible: popover.panel.canResume
                text: Strings.t("继续处理")
                onClicked: popover.panel.resume()
            }
            SheetButton {
                objectName: "stopAllButton"
                text: Strings.t("全部停止")
                enabled: popover.panel.canStopAll
                onClicked: popover.panel.stopAll()
            }
        }
    }
}
