pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The round play button of the player bar: a circle with a faint top-to-bottom gradient, a
// hairline border that brightens on hover and a soft shadow below.
Button {
    id: control
    property string iconName: "play.fill"
    property string help

    implicitWidth: Theme.playbackButtonSize
    implicitHeight: Theme.playbackButtonSize
    padding: 0
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    opacity: enabled ? 1 : Theme.disabledOpacity
    Accessible.name: text.length > 0 ? text : help
    Accessible.onPressAction: if (control.enabled) control.clicked()
    Keys.onReturnPressed: control.clicked()
    Keys.onEnterPressed: control.clicked()
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.delay: 600
    ToolTip.text: help

    contentItem: Item {
        Icon {
            anchors.centerIn: parent
            // The triangle's own box sits 1.5/24 of the icon right of the icon's centre; the
            // eye wants it 1 pixel right of the circle's centre, where it looks centred.
            anchors.horizontalCenterOffset: control.iconName === "play.fill" ? 1 - 1.5 * size / 24 : 0
            name: control.iconName
            size: Theme.playbackIconSize
            color: Theme.text
        }
    }

    background: Item {
        implicitWidth: Theme.playbackButtonSize
        implicitHeight: Theme.playbackButtonSize
        Rectangle {
            anchors.fill: parent
            anchors.topMargin: Theme.playbackShadowOffset
            anchors.bottomMargin: -Theme.playbackShadowOffset
            radius: width / 2
            color: Theme.shadow
        }
        Rectangle {
            id: face
            anchors.fill: parent
            radius: width / 2
            color: Theme.canvas
            property real topOpacity: control.down ? Theme.playbackTopPressed
                                                   : control.hovered ? Theme.playbackTopHover : Theme.playbackTop
            Behavior on topOpacity { NumberAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutQuad } }
            border.width: control.visualFocus ? Theme.focusRingWidth : Theme.playbackBorderWidth
            border.color: control.visualFocus ? Theme.amberAt(Theme.focusRingOpacity)
                                              : Theme.white(control.hovered ? Theme.playbackBorderHover : Theme.playbackBorder)
            Behavior on border.color { ColorAnimation { duration: Theme.hoverDuration; easing.type: Easing.OutQuad } }
            Rectangle {
                anchors.fill: parent
                anchors.margins: face.border.width
                radius: width / 2
                gradient: Gradient {
                    GradientStop { position: 0; color: Theme.white(face.topOpacity) }
                    GradientStop { position: 1; color: Theme.white(Theme.playbackBottom) }
                }
            }
        }
    }
}
