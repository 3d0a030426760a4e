pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// A context menu or submenu on the dark surface. Fill it with AppMenuItem and AppMenuSeparator.
Menu {
    id: menu
    padding: 5
    font.pixelSize: Theme.fontSize
    delegate: AppMenuItem {}
    background: Rectangle {
        implicitWidth: 200
        color: Theme.surface
        radius: 8
        border.color: Theme.white(0.09)
        border.width: 1
    }
}
