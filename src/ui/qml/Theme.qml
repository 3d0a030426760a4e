pragma Singleton
import QtQuick

// Every colour, size and opacity of the interface. No colour literal appears anywhere else.
QtObject {
    // The palette.
    readonly property color canvas: Qt.rgba(0.082, 0.089, 0.098, 1)
    readonly property color sidebar: Qt.rgba(0.117, 0.128, 0.143, 1)
    readonly property color text: Qt.rgba(0.9, 0.895, 0.88, 1)
    readonly property color muted: Qt.rgba(0.6, 0.62, 0.65, 1)
    readonly property color amber: Qt.rgba(0.86, 0.68, 0.41, 1)
    readonly property color line: Qt.rgba(1, 1, 1, 0.055)
    readonly property color windowBackground: Qt.rgba(0.075, 0.083, 0.09, 1)

    function white(opacity) { return Qt.rgba(1, 1, 1, opacity) }

    readonly property string fontFamily: "Noto Sans CJK SC"
    readonly property string monoFamily: "monospace"

    readonly property real disabledOpacity: 0.4
    readonly property int sidebarWidth: 238
    readonly property int topBarHeight: 82
}
