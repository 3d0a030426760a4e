pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// One source's sound level as a bar filled to the level (0..1); label names the source for
// screen readers (the bar's caption is drawn beside it).
Rectangle {
    id: meter
    property string label
    property real level: 0

    implicitHeight: 5
    radius: 2.5
    color: Theme.white(0.08)
    Accessible.role: Accessible.ProgressBar
    Accessible.name: label
    Accessible.description: Math.round(level * 100) + "%"

    Rectangle {
        width: parent.width * Math.max(0, Math.min(1, meter.level))
        height: parent.height
        radius: parent.radius
        color: meter.level > 0.92 ? Theme.recordingRed : Theme.amber
    }
}
