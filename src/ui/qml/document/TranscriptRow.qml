pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// One segment of the transcript: its time (a button that plays from there), the speaker and the
// text. The segment being heard carries an amber bar along its edge on a faint amber ground. The
// last row ends the transcript with the closing line (a list footer does not survive bound
// components on Qt 6.4).
Item {
    id: row
    required property int index
    required property string timeLabel
    required property string speaker
    required property string text
    required property bool active
    // Whether the note's audio can be played.
    property bool available: false
    property string query
    property bool last: false
    readonly property color fill: body.color
    signal playRequested(int row)

    implicitHeight: body.height + (last ? closing.implicitHeight : 0)

    Rectangle {
        id: body
        width: parent.width
        height: layout.implicitHeight + 2 * Theme.spacing
        color: row.active ? Theme.activeRowFill : "transparent"
        radius: 4
    }

    Rectangle {
        width: Theme.activeBarWidth
        height: body.height
        color: row.active ? Theme.amber : "transparent"
    }

    PlainLabel {
        id: closing
        visible: row.last
        anchors.top: body.bottom
        width: parent.width
        topPadding: Theme.spacingHuge
        bottomPadding: Theme.spacingHuge
        horizontalAlignment: Text.AlignHCenter
        text: Strings.t("—  对话暂告一段落  —")
        color: Theme.muted
        opacity: Theme.closingOpacity
        font.pixelSize: Theme.eyebrowFontSize
        font.letterSpacing: 2
    }

    RowLayout {
        id: layout
        x: Theme.spacing + Theme.activeBarWidth
        y: Theme.spacing
        width: parent.width - 2 * Theme.spacing - Theme.activeBarWidth
        spacing: Theme.spacing

        QuietButton {
            id: timeButton
            objectName: "timeButton"
            Layout.alignment: Qt.AlignTop
            // The time reads on the speaker's line, not floating between it and the text.
            Layout.topMargin: speakerLabel.y + speakerLabel.height / 2 - implicitHeight / 2
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
            PlainLabel {
                id: speakerLabel
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
