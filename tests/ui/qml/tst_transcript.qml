import QtQuick
import QtTest
import Hushnote.Ui

// The transcript list follows the row being heard, keeps still when playback ends, and its time
// buttons play only when there is audio, staying readable when there is none.
TestCase {
    name: "TranscriptList"
    when: windowShown
    visible: true
    width: 600
    height: 400

    ListModel { id: segmentRows }

    Component {
        id: listComponent
        TranscriptList {
            width: 600
            height: 300
            rows: segmentRows
            activeRow: -1
        }
    }

    SignalSpy { id: plays; signalName: "playRequested" }

    function initTestCase() {
        for (let i = 0; i < 300; ++i)
            segmentRows.append({timeLabel: "00:0" + (i % 10), speaker: "Ann", text: "Line " + i, active: false})
    }

    function inView(list, row) {
        const item = list.itemAtIndex(row)
        return item !== null && item.y >= list.contentY - 1 && item.y + item.height <= list.contentY + list.height + 1
    }

    function test_followsTheActiveRowAndStopsWhenPlaybackEnds() {
        const list = createTemporaryObject(listComponent, this)
        segmentRows.setProperty(250, "active", true)
        list.activeRow = 250
        tryCompare(list, "gliding", false, 2000)
        verify(inView(list, 250))
        compare(list.itemAtIndex(250).fill, Theme.activeRowFill)

        segmentRows.setProperty(250, "active", false)
        list.activeRow = -1
        const resting = list.contentY
        // Nothing glides: no animation started, and a frame drawn since moved nothing.
        verify(!list.gliding)
        list.contentY = resting + 1
        waitForRendering(list)
        compare(list.contentY, resting + 1)
        verify(!list.gliding)
        compare(list.itemAtIndex(250).fill, Qt.rgba(0, 0, 0, 0))
    }

    function test_timeButtonsPlayOnlyWithAudio() {
        const list = createTemporaryObject(listComponent, this)
        plays.target = list
        plays.clear()
        const button = findChild(list.itemAtIndex(3), "timeButton")
        verify(!button.enabled)
        compare(button.opacity, 1)
        mouseClick(button)
        compare(plays.count, 0)

        list.available = true
        mouseClick(button)
        compare(plays.count, 1)
        compare(plays.signalArguments[0][0], 3)
    }
}
