pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Hushnote.Ui

// The transcript as a lazily built list over the segment model. It follows the play head: when
// the active row changes, the list glides it into view in 0.3 s; when playback ends nothing is
// highlighted and the list stays where it is.
ListView {
    id: list
    required property var rows
    // The row being heard, -1 for none.
    required property int activeRow
    property bool available: false
    property string query
    readonly property bool gliding: glide.running
    signal playRequested(int row)

    model: rows
    clip: true
    reuseItems: false
    boundsBehavior: Flickable.StopAtBounds
    spacing: 2
    cacheBuffer: 600
    ScrollBar.vertical: ScrollBar {}
    Accessible.role: Accessible.List

    delegate: TranscriptRow {
        width: ListView.view.width - Theme.spacing
        available: list.available
        query: list.query
        last: index === list.count - 1
        onPlayRequested: row => list.playRequested(row)
    }

    NumberAnimation {
        id: glide
        target: list
        property: "contentY"
        duration: Theme.reduceMotion ? 0 : Theme.followDuration
        easing.type: Easing.InOutQuad
    }

    // Glides the row into view when it is not fully shown, leaving it a third of the way down so
    // the rows that follow are already in sight. A row far away (after a seek) is reached by
    // positioning the list there first, which creates its delegate.
    function follow(row) {
        if (row < 0 || row >= count)
            return
        let item = itemAtIndex(row)
        if (item && item.y >= contentY && item.y + item.height <= contentY + height)
            return
        const from = contentY
        if (!item) {
            positionViewAtIndex(row, ListView.Beginning)
            item = itemAtIndex(row)
            contentY = from
            if (!item)
                return
        }
        const top = originY - topMargin
        const bottom = Math.max(top, originY + contentHeight + bottomMargin - height)
        const to = Math.min(bottom, Math.max(top, item.y - height / 3))
        glide.stop()
        glide.from = from
        glide.to = to
        glide.start()
    }
    onActiveRowChanged: follow(activeRow)

    // Opened from a search: start at the first segment that matches.
    function showRow(row) {
        if (row >= 0 && row < count)
            positionViewAtIndex(row, ListView.Beginning)
    }
}
