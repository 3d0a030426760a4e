pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// A small amber pill ("已启用", "默认").
Rectangle {
    id: badge
    property alias text: label.text
    property string iconName
    implicitWidth: row.implicitWidth + 14
    implicitHeight: row.implicitHeight + 4
    radius: height / 2
    color: Theme.amberAt(0.14)
    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 4
        Icon { visible: badge.iconName.length > 0; name: badge.iconName; size: Theme.smallIconSize; color: Theme.amber }
        PlainLabel { id: label; color: Theme.amber; font.pixelSize: Theme.smallFontSize }
    }
}
