pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// One segment of the transcript: its time (a button that plays from there), the speaker and the
// text. The segment being heard carries an amber bar along its edge on a faint amber ground.
Rectangle {
    id: row
    required property int index
    required property string timeLabel
    required property string speaker
    required property string text
    required property bool active
    // Whether the note's audio can be played.
    property bool available: false
    property string query
    signal playRequested(int row)

    implicitHeight: layout.implicitHeight + 2 * Theme.spacing
    color: active ? Theme.activeRowFill : "transparent"
    radius: 4

    Rectangle {
        width: Theme.activeBarWidth
        height: parent.height
        color: row.active ? Theme.amber : "transparent"
    }

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: Theme.spacing
        anchors.leftMargin: Theme.spacing + Theme.activeBarWidth
        spacing: Theme.spacing

        QuietButton {
            id: timeButton
            objectName: "timeButton"
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: Theme.timeColumnWidth
            horizontalAlignment: Qt.AlignLeft
            text: row.timeLabel
            help: Strings.t("从这里回听")
            enabled: row.available
            // Disabled only means "cannot play": the time stays readable.
            opacity: 1
            textColor: row.active ? Theme.amber : Theme.muted
            font.family: Theme.monoFamily
            font.pixelSize: Theme.fontSize
            onClicked: row.playRequested(row.index)
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingTiny
            Text {
                text: row.speaker
                color: row.active ? Theme.amber : Theme.muted
                font.pixelSize: Theme.speakerFontSize
                Layout.topMargin: 2
            }
            SelectableText {
                Layout.fillWidth: true
                text: row.text
                query: row.query
                font.pixelSize: Theme.transcriptFontSize
            }
        }
    }
}
