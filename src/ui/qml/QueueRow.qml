pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// One note of the processing queue: its title, state and chunk progress, the failure's message,
// and "停止" while it waits or runs.
Item {
    id: row
    required property string noteId
    required property string title
    required property string noteState
    required property string stateText
    required property string chunkText
    required property real progress
    required property string message
    required property bool canStop
    signal stopRequested()

    implicitHeight: lines.implicitHeight + 2 * Theme.spacingTiny
    Accessible.role: Accessible.ListItem
    Accessible.name: title + " · " + stateText + (chunkText.length > 0 ? " · " + chunkText : "")
    Accessible.description: message

    RowLayout {
        anchors.fill: parent
        anchors.topMargin: Theme.spacingTiny
        anchors.bottomMargin: Theme.spacingTiny
        spacing: Theme.spacingSmall

        ColumnLayout {
            id: lines
            Layout.fillWidth: true
            spacing: 3
            PlainLabel {
                Layout.fillWidth: true
                text: row.title
                color: Theme.text
                font.pixelSize: Theme.fontSize
                elide: Text.ElideRight
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: Theme.spacingSmall
                PlainLabel {
                    text: row.stateText
                    color: row.noteState === "failed" ? Theme.danger
                         : row.noteState === "running" ? Theme.amber : Theme.muted
                    font.pixelSize: Theme.smallFontSize
                }
                ProgressBar {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 4
                    from: 0
                    to: 1
                    value: row.progress
                    Accessible.name: row.chunkText
                    background: Rectangle { radius: 2; color: Theme.white(0.08) }
                    contentItem: Item {
                        Rectangle {
                            width: parent.width * row.progress
                            height: parent.height
                            radius: 2
                            color: row.noteState === "failed" ? Theme.danger : Theme.amber
                        }
                    }
                }
                PlainLabel {
                    text: row.chunkText
                    color: Theme.muted
                    font.pixelSize: Theme.smallFontSize
                    font.family: Theme.monoFamily
                }
            }
            PlainLabel {
                Layout.fillWidth: true
                visible: row.message.length > 0
                text: row.message
                color: Theme.danger
                font.pixelSize: Theme.smallFontSize
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
            }
        }
        QuietButton {
            Layout.alignment: Qt.AlignTop
            visible: row.canStop
            text: Strings.t("停止")
            font.pixelSize: Theme.smallFontSize
            implicitHeight: 24
            Accessible.name: Strings.t("停止") + " " + row.title
            onClicked: row.stopRequested()
        }
    }
}
