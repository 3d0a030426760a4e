pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// One item of an AppMenu: the text, an amber check when checked, an arrow when it opens a submenu,
// 0.4 opacity when disabled.
MenuItem {
    id: item
    implicitHeight: 28
    leftPadding: 10
    rightPadding: 10
    hoverEnabled: true
    opacity: enabled ? 1 : Theme.disabledOpacity
    Accessible.name: text

    // The shortcut of the item's action, as typed ("Ctrl+Shift+O").
    readonly property string shortcutText: item.action && typeof item.action.shortcut === "string"
                                           ? item.action.shortcut : ""

    contentItem: Item {
        implicitWidth: label.implicitWidth + (keys.visible ? keys.implicitWidth + 28 : 0)
        implicitHeight: label.implicitHeight
        PlainLabel {
            id: label
            anchors.left: parent.left
            anchors.right: keys.visible ? keys.left : parent.right
            anchors.verticalCenter: parent.verticalCenter
            leftPadding: item.checkable ? 18 : 0
            rightPadding: item.subMenu ? 16 : 0
            text: item.text
            font: item.font
            color: Theme.text
            elide: Text.ElideRight
        }
        PlainLabel {
            id: keys
            visible: item.shortcutText.length > 0
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: item.shortcutText
            font.pixelSize: Theme.smallFontSize
            color: Theme.muted
        }
    }
    indicator: Icon {
        visible: item.checked
        x: item.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        name: "checkmark"
        size: 12
        color: Theme.amber
    }
    arrow: Icon {
        visible: item.subMenu !== null
        x: item.width - width - item.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        name: "chevron.right"
        size: 11
        color: Theme.muted
    }
    background: Rectangle {
        radius: 5
        color: item.highlighted && item.enabled ? Theme.white(Theme.quietHoverSelectedFill) : "transparent"
    }
}
