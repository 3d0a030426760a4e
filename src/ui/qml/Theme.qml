pragma Singleton
import QtQuick
import Hushnote.Ui

// Every colour, size, opacity and duration of the interface. No colour literal appears anywhere
// else: views name what they draw (Theme.muted, Theme.quietFill(...)), never a number.
QtObject {
    // --- palette ---
    readonly property color canvas: Qt.rgba(0.082, 0.089, 0.098, 1)
    readonly property color sidebar: Qt.rgba(0.117, 0.128, 0.143, 1)
    readonly property color text: Qt.rgba(0.9, 0.895, 0.88, 1)
    readonly property color muted: Qt.rgba(0.6, 0.62, 0.65, 1)
    readonly property color amber: Qt.rgba(0.86, 0.68, 0.41, 1)
    readonly property color line: Qt.rgba(1, 1, 1, 0.055)
    // Behind the content, where the system would show through the window.
    readonly property color windowBackground: Qt.rgba(0.075, 0.083, 0.09, 1)
    // Popovers, menus and sheets float a little above the canvas.
    readonly property color surface: Qt.rgba(0.135, 0.146, 0.162, 1)
    readonly property color overlayDim: Qt.rgba(0, 0, 0, 0.45)
    readonly property color shadow: Qt.rgba(0, 0, 0, 0.18)
    readonly property color selectionText: canvas
    // Errors inside sheets.
    readonly property color danger: Qt.rgba(0.93, 0.45, 0.42, 1)
    // The mark of a recording under way.
    readonly property color recordingRed: Qt.rgba(0.94, 0.36, 0.33, 1)
    function recordingRedAt(opacity) { return Qt.rgba(0.94, 0.36, 0.33, opacity) }

    function white(opacity) { return Qt.rgba(1, 1, 1, opacity) }
    function amberAt(opacity) { return Qt.rgba(0.86, 0.68, 0.41, opacity) }

    // --- the desktop's accessibility settings ---
    readonly property bool reduceMotion: DesktopLook.reduceMotion
    readonly property bool reduceTransparency: DesktopLook.reduceTransparency

    // --- type ---
    readonly property string fontFamily: Strings.fontFamily
    readonly property string monoFamily: Strings.monoFamily
    readonly property int fontSize: 13
    readonly property int smallFontSize: 11
    readonly property int titleFontSize: 15
    readonly property int headlineFontSize: 20

    // --- layout ---
    readonly property int sidebarWidth: 238
    readonly property int topBarHeight: 82
    readonly property int spacingTiny: 4
    readonly property int spacingSmall: 8
    readonly property int spacing: 12
    readonly property int spacingLarge: 16
    readonly property int spacingHuge: 24
    readonly property int rowHeight: 30
    readonly property int recordRowHeight: 48
    readonly property int controlHeight: 30
    readonly property int iconSize: 14
    readonly property int smallIconSize: 13

    // --- quiet buttons (every flat button) ---
    readonly property real quietRadius: 7
    readonly property real quietPressedFill: 0.095
    readonly property real quietHoverSelectedFill: 0.09
    readonly property real quietHoverFill: 0.055
    readonly property real quietSelectedFill: 0.065
    readonly property real quietRaisedFill: 0.025
    readonly property real quietBorderOpacity: 0.055
    readonly property real quietBorderWidth: 0.5
    readonly property real focusRingOpacity: 0.8
    readonly property real focusRingWidth: 1

    // The fill opacity of a quiet button in a given state.
    function quietFill(pressed, hovered, enabled, selected, raised) {
        if (pressed)
            return quietPressedFill
        if (hovered && enabled)
            return selected ? quietHoverSelectedFill : quietHoverFill
        if (selected)
            return quietSelectedFill
        return raised ? quietRaisedFill : 0
    }
    function quietBorderColor(focused, selected, raised) {
        if (focused)
            return amberAt(focusRingOpacity)
        return (selected || raised) ? white(quietBorderOpacity) : "transparent"
    }
    function quietBorderWidthFor(focused, selected, raised) {
        if (focused)
            return focusRingWidth
        return (selected || raised) ? quietBorderWidth : 0
    }

    // --- the round play button ---
    readonly property int playbackButtonSize: 40
    readonly property int playbackIconSize: 22
    readonly property real playbackTopPressed: 0.035
    readonly property real playbackTopHover: 0.085
    readonly property real playbackTop: 0.05
    readonly property real playbackBottom: 0.012
    readonly property real playbackBorderHover: 0.27
    readonly property real playbackBorder: 0.15
    readonly property real playbackBorderWidth: 0.75
    readonly property real playbackShadowOffset: 2

    // --- motion: 0 when the desktop asks for reduced motion ---
    readonly property int hoverDuration: reduceMotion ? 0 : 140
    readonly property int pressDuration: reduceMotion ? 0 : 100

    // --- states ---
    readonly property real disabledOpacity: 0.4

    // --- surfaces ---
    readonly property real sidebarTopOpacity: 0.88
    readonly property real sidebarBottomOpacity: 0.96
    readonly property real popoverRadius: 10
    readonly property real sheetRadius: 12
    readonly property int popoverPadding: 20
    readonly property int exportPopoverWidth: 210
    readonly property int recordPopoverWidth: 250
    readonly property real fieldFill: 0.04
    readonly property real selectedRowFill: 0.07
    readonly property real hoverRowFill: 0.035

    // Document and player
    readonly property int documentMargin: 44
    readonly property int eyebrowDot: 5
    readonly property int eyebrowFontSize: 10
    readonly property int documentTitleFontSize: 30
    readonly property int subtitleFontSize: 12
    readonly property int transcriptFontSize: 16
    readonly property int speakerFontSize: 11
    readonly property int summaryFontSize: 15
    readonly property int summaryLineSpacing: 9
    readonly property int summaryHeadingFontSize: 20
    readonly property int timeColumnWidth: 76
    readonly property int activeBarWidth: 2
    readonly property color activeRowFill: amberAt(0.07)
    readonly property color searchHit: amberAt(0.38)
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
