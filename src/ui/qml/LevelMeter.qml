pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// One source's sound level: its name and a bar filled to the level (0..1).
RowLayout {
    id: meter
    property string label
    property real level: 0
    spacing: 6

    Accessible.role: Accessible.ProgressBar
    Accessible.name: label
    Accessible.description: Math.round(level * 100) + "%"

    PlainLabel {
        Layout.preferredWidth: Theme.meterLabelWidth
        text: meter.label
        color: Theme.muted
        font.pixelSize: Theme.smallFontSize
        elide: Text.ElideRight
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: 5
        radius: 2.5
        color: Theme.white(0.08)
        Rectangle {
            width: parent.width * Math.max(0, Math.min(1, meter.level))
            height: parent.height
            radius: parent.radius
            color: meter.level > 0.92 ? Theme.recordingRed : Theme.amber
        }
    }
}
