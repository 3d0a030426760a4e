import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// A muted explanatory line that wraps.
PlainLabel {
    Layout.fillWidth: true
    color: Theme.muted
    font.pixelSize: Theme.smallFontSize
    wrapMode: Text.Wrap
    lineHeight: 1.15
}
