import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The result line of a settings action: red when it reports a failure, hidden when empty.
PlainLabel {
    property bool failed: false
    Layout.fillWidth: true
    visible: text.length > 0
    color: failed ? Theme.danger : Theme.amber
    font.pixelSize: Theme.smallFontSize
    wrapMode: Text.Wrap
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
