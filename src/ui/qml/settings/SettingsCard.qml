pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The rounded card every settings section (and the processing popover) draws its groups on: an
// optional header with an icon, a title, an "已启用" badge and a trailing caption, then the content.
Rectangle {
    id: card
    property string title
    property string iconName
    property bool badge: false
    property string caption
    default property alias content: body.data

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 2 * Theme.spacingLarge
    radius: Theme.popoverRadius
    color: Theme.white(0.035)
    border.color: Theme.white(0.07)
    border.width: 1

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: Theme.spacingLarge
        spacing: Theme.spacing

        RowLayout {
            visible: card.title.length > 0
            spacing: Theme.spacingSmall
            Icon { visible: card.iconName.length > 0; name: card.iconName; color: Theme.amber }
            PlainLabel {
                text: card.title
                color: Theme.text
                font.pixelSize: Theme.titleFontSize - 1
                font.bold: true
            }
            Badge { visible: card.badge; text: Strings.t("已启用") }
            // Takes whatever the title leaves: a long provider name elides only when it must.
            PlainLabel {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                visible: card.caption.length > 0
                text: card.caption
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
                horizontalAlignment: Text.AlignRight
                elide: Text.ElideRight
            }
            Item { Layout.fillWidth: true; visible: card.caption.length === 0 }
        }
        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: Theme.spacingSmall
        }
    }
}
