import QtQuick
import Hushnote.Ui

// The sidebar's background: an opaque fill when the desktop asks for less transparency, otherwise
// the sidebar colour laid over the window at 0.88 (top leading) to 0.96 (bottom trailing).
Rectangle {
    color: Theme.windowBackground
    Rectangle {
        anchors.fill: parent
        visible: Theme.reduceTransparency
        color: Theme.sidebar
    }
    Rectangle {
        anchors.fill: parent
        visible: !Theme.reduceTransparency
        gradient: Gradient {
            orientation: Gradient.Vertical
            GradientStop { position: 0; color: Qt.rgba(Theme.sidebar.r, Theme.sidebar.g, Theme.sidebar.b, Theme.sidebarTopOpacity) }
            GradientStop { position: 1; color: Qt.rgba(Theme.sidebar.r, Theme.sidebar.g, Theme.sidebar.b, Theme.sidebarBottomOpacity) }
        }
    }
}
