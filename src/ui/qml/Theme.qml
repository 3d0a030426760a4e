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

    // Document and player
    readonly property int documentMargin: 44
    readonly property int eyebrowDot: 5
    readonly property int eyebrowFontSize: 10
    readonly property int documentTitleFontSize: 30
    readonly property int subtitleFontSize: 12
    readonly property int transcriptFontSize: 16
    readonly property int speakerFontSize: 11
    readonly property int summaryFontSize: 15
    readonly property int summaryHeadingFontSize: 20
    readonly property int timeColumnWidth: 76
    readonly property int activeBarWidth: 2
    readonly property color activeRowFill: Qt.rgba(0.86, 0.68, 0.41, 0.07)
    readonly property color searchHit: Qt.rgba(0.86, 0.68, 0.41, 0.38)
    readonly property real closingOpacity: 0.6
    readonly property int followDuration: 300
    readonly property int tabMarkerWidth: 18
    readonly property int tabMarkerHeight: 3
    readonly property int editorWidth: 720
    readonly property int editorHeight: 580
    readonly property int speakerFieldWidth: 160
    readonly property int segmentEditorMinHeight: 95
    readonly property int playButtonSize: 49
    readonly property int waveformHeight: 36
    readonly property int waveformBarWidth: 2
    readonly property real waveformTrackOpacity: 0.4
    readonly property real waveformUnplayedOpacity: 0.45
    readonly property int volumeSliderWidth: 60
}
