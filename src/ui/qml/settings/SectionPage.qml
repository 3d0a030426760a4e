pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The scrolling page of one settings section: its title, a subtitle and the content in a column
// with 28-pixel margins.
ScrollView {
    id: page
    property string title
    property string subtitle
    default property alias content: column.data
    contentWidth: availableWidth
    clip: true

    ColumnLayout {
        id: column
        x: 28
        width: page.availableWidth - 56
        spacing: 18

        Item { Layout.preferredHeight: 10 }
        Text {
            text: page.title
            color: Theme.text
            font.pixelSize: 23
            font.bold: true
        }
        Text {
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
