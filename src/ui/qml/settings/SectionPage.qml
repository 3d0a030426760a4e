pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The scrolling page of one settings section: its title, a subtitle and the content in a column
// with 28-pixel margins on the sides and below.
ScrollView {
    id: page
    property string title
    property string subtitle
    default property alias content: column.data
    contentWidth: availableWidth
    // The same 28 pixels below the last card as beside it, so a page scrolled to its end does not
    // end flush with the window's edge.
    contentHeight: column.implicitHeight + 28
    clip: true

    ColumnLayout {
        id: column
        x: 28
        width: page.availableWidth - 56
        spacing: 18

        Item { Layout.preferredHeight: 10 }
        PlainLabel {
            text: page.title
            color: Theme.text
            font.pixelSize: 23
            font.bold: true
        }
        PlainLabel {
            visible: page.subtitle.length > 0
            Layout.fillWidth: true
            Layout.topMargin: -10
            text: page.subtitle
            color: Theme.muted
            font.pixelSize: Theme.fontSize
            wrapMode: Text.Wrap
        }
    }
}
