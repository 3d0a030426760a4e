pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The line between the document and the player bar that shows the workspace's notice, with a
// button that dismisses it. Hidden while there is none.
Rectangle {
    id: line
    property string text
    property bool closable: true
    signal closeRequested()

    visible: text.length > 0
    implicitHeight: visible ? 34 : 0
    color: Theme.canvas
    Rectangle { anchors.top: parent.top; width: parent.width; height: 1; color: Theme.line }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.spacingLarge + 4
        anchors.rightMargin: Theme.spacingSmall
        spacing: Theme.spacingSmall
        Rectangle { width: 6; height: 6; radius: 3; color: Theme.amber }
        PlainLabel {
            Layout.fillWidth: true
            text: line.text
            color: Theme.text
            font.pixelSize: Theme.fontSize
            elide: Text.ElideRight
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        QuietButton {
            visible: line.closable
            iconName: "xmark"
            iconSize: 11
            iconColor: Theme.muted
            implicitWidth: 26
            implicitHeight: 26
            help: Strings.t("关闭提示")
            onClicked: line.closeRequested()
        }
    }
}
