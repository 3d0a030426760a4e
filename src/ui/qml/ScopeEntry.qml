pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// One scope of the sidebar: icon, title and count; the current one in the text colour, the others
// muted. Its accessible name is its title.
QuietButton {
    id: entry
    property int count: 0
    Layout.fillWidth: true
    Layout.leftMargin: Theme.spacingSmall + 2
    Layout.rightMargin: Theme.spacingSmall + 2
    implicitHeight: Theme.rowHeight
    horizontalAlignment: Qt.AlignLeft
    textColor: selected ? Theme.text : Theme.muted
    iconColor: selected ? Theme.amber : Theme.muted
    Accessible.description: String(count)

    contentItem: RowLayout {
        spacing: 8
        Icon { name: entry.iconName; size: entry.iconSize; color: entry.iconColor }
        PlainLabel {
            Layout.fillWidth: true
            text: entry.text
            color: entry.textColor
            font.pixelSize: Theme.fontSize
            elide: Text.ElideRight
        }
        PlainLabel {
            text: entry.count
            color: Theme.muted
            font.pixelSize: Theme.smallFontSize
            font.family: Theme.monoFamily
        }
    }
}
