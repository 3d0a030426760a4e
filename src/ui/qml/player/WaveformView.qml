pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// The waveform with the play head: one bar every 4 points (amber up to the play head), or a flat
// track while there are no peaks. A press or a drag anywhere seeks there; arrow keys and the
// accessible increment move 5 seconds.
Item {
    id: root
    // The player bar's model (fraction, peaks, accessibleValue, seekFraction, seekBy).
    required property QtObject player

    implicitHeight: Theme.waveformHeight
    activeFocusOnTab: true
    Accessible.role: Accessible.Slider
    Accessible.name: Strings.t("播放进度")
    Accessible.description: player.accessibleValue
    Accessible.onIncreaseAction: player.seekBy(5)
    Accessible.onDecreaseAction: player.seekBy(-5)
    Keys.onRightPressed: player.seekBy(5)
    Keys.onLeftPressed: player.seekBy(-5)

    WaveformBars {
        id: bars
        peaks: root.player.peaks
        width: root.width
    }
    // Only a change of this count repaints bars, not every tick of the play head.
    readonly property int played: bars.playedCount(player.fraction)

    Item {
        anchors.fill: parent
        visible: bars.values.length === 0
        Rectangle {
            width: parent.width
            height: 2
            y: parent.height / 2 - 1
            radius: 1
            color: Theme.muted
            opacity: Theme.waveformTrackOpacity
        }
        Rectangle {
            objectName: "playedTrack"
            width: parent.width * root.player.fraction
            height: 2
            y: parent.height / 2 - 1
            radius: 1
            color: Theme.amber
        }
    }

    Repeater {
        model: bars.values
        delegate: Rectangle {
            required property int index
            required property real modelData
            x: 4 * index
            width: Theme.waveformBarWidth
            height: Math.max(2, root.height * modelData)
            y: (root.height - height) / 2
            radius: 1
            color: index < root.played ? Theme.amber : Theme.muted
            opacity: index < root.played ? 1 : Theme.waveformUnplayedOpacity
        }
    }

    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: 4
        color: "transparent"
        visible: root.activeFocus
        border.width: 1
        border.color: Theme.amber
        opacity: 0.8
    }

    MouseArea {
        anchors.fill: parent
        preventStealing: true
        onPressed: mouse => root.player.seekFraction(bars.fractionAt(mouse.x, root.width))
        onPositionChanged: mouse => root.player.seekFraction(bars.fractionAt(mouse.x, root.width))
    }
}
