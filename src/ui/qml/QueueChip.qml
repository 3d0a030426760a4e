pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// The processing queue's chip at the foot of the sidebar: "处理队列 2 / 5" (finished of all), in
// amber while notes wait or run. It opens the queue panel above itself.
QuietButton {
    id: chip
    required property QueuePanelModel panel
    objectName: "queueChip"
    text: panel.chipText
    iconName: panel.unfinishedCount > 0 ? "clock" : "checkmark.circle"
    iconColor: panel.unfinishedCount > 0 ? Theme.amber : Theme.muted
    raised: true
    horizontalAlignment: Qt.AlignLeft
    Accessible.name: text
    onClicked: popover.visible ? popover.close() : popover.open()
    // Also the screenshot scenes' way in.
    function openPanel() { popover.open() }

    QueuePopover {
        id: popover
        panel: chip.panel
        x: 0
        y: -height - 6
    }
}
