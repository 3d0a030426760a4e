pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The flat button of the sidebar, the toolbars and the settings screens: a rounded shape filled
// with white at an opacity that follows the state, a hairline border when selected or raised, the
// amber focus ring under the keyboard, 0.4 opacity when disabled.
Button {
    id: control
    property bool selected: false
    property bool raised: false
    property real radius: Theme.quietRadius
    property string iconName
    property real iconSize: Theme.iconSize
    property color textColor: Theme.text
    property color iconColor: textColor
    // Shown as a tooltip; also the accessible name of a button without a text.
    property string help
    property int horizontalAlignment: Qt.AlignHCenter

    implicitHeight: Theme.controlHeight
    leftPadding: text.length > 0 ? 10 : 6
    rightPadding: text.length > 0 ? 10 : 6
    topPadding: 4
    bottomPadding: 4
    spacing: 6
    focusPolicy: Qt.StrongFocus
    hoverEnabled: true
    opacity: enabled ? 1 : Theme.disabledOpacity
    font.pixelSize: Theme.fontSize

    Accessible.name: text.length > 0 ? text : help
    Accessible.description: text.length > 0 ? help : ""
    // Screen readers and desktop test tools press it through here; the keyboard with Space (the
    // button's own) or Enter.
    Accessible.onPressAction: if (control.enabled) control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.delay: 600
    ToolTip.text: help

    contentItem: RowLayout {
        // Without a text the centring spacers must not add gaps of their own: an icon-only
        // button narrower than those gaps drew its icon right of the middle.
        spacing: control.text.length > 0 ? control.spacing : 0
        Item { Layout.fillWidth: control.horizontalAlignment !== Qt.AlignLeft; visible: Layout.fillWidth }
        Icon {
            visible: control.iconName.length > 0
            name: control.iconName
            size: control.iconSize
            color: control.iconColor
        }
        PlainLabel {
            visible: control.text.length > 0
            text: control.text
            font: control.font
            color: control.textColor
            elide: Text.ElideRight
            Layout.fillWidth: control.horizontalAlignment === Qt.AlignLeft
        }
        Item { Layout.fillWidth: true; visible: control.horizontalAlignment !== Qt.AlignRight }
    }

    background: Rectangle {
        implicitWidth: Theme.controlHeight
        implicitHeight: Theme.controlHeight
        radius: control.radius
        color: Theme.white(Theme.quietFill(control.down, control.hovered, control.enabled,
                                           control.selected, control.raised))
        border.color: Theme.quietBorderColor(control.visualFocus, control.selected, control.raised)
        border.width: Theme.quietBorderWidthFor(control.visualFocus, control.selected, control.raised)
        Behavior on color {
            ColorAnimation {
                duration: control.down ? Theme.pressDuration : Theme.hoverDuration
                easing.type: Easing.OutQuad
            }
        }
    }
}
