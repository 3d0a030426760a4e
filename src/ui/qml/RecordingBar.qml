pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// The recording under way, in the sidebar: what it is doing with the elapsed time, a level meter
// per source recorded, pause or resume, and stop. While the rest is transcribed after the stop,
// only the line stays.
Rectangle {
    id: bar
    objectName: "recordingBar"
    required property QtObject recording

    implicitHeight: column.implicitHeight + 2 * Theme.spacingSmall
    radius: Theme.quietRadius
    color: Theme.white(Theme.quietRaisedFill)
    border.color: Theme.recordingRedAt(0.35)
    border.width: 1

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: Theme.spacingSmall
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Icon {
                name: "record.fill"
                size: 10
                color: bar.recording.phase === "recording" ? Theme.recordingRed : Theme.muted
            }
            PlainLabel {
                objectName: "recordingStatus"
                Layout.fillWidth: true
                text: bar.recording.statusText
                color: Theme.text
                font.pixelSize: Theme.smallFontSize
                font.family: bar.recording.active ? Theme.monoFamily : Theme.fontFamily
                elide: Text.ElideRight
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
        // Captions in one column, so both bars start at the same place in every language.
        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 6
            rowSpacing: 6
            visible: bar.recording.active
            PlainLabel {
                visible: bar.recording.showsMicrophone
                text: Strings.t("麦克风")
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
                Accessible.ignored: true
            }
            LevelMeter {
                objectName: "microphoneMeter"
                Layout.fillWidth: true
                visible: bar.recording.showsMicrophone
                label: Strings.t("麦克风")
                level: bar.recording.microphoneLevel
            }
            PlainLabel {
                visible: bar.recording.showsSystem
                text: Strings.t("系统声音")
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
                Accessible.ignored: true
            }
            LevelMeter {
                objectName: "systemMeter"
                Layout.fillWidth: true
                visible: bar.recording.showsSystem
                label: Strings.t("系统声音")
                level: bar.recording.systemLevel
            }
        }
        RowLayout {
            Layout.fillWidth: true
            visible: bar.recording.active
            spacing: Theme.spacingSmall
            QuietButton {
                objectName: "pauseRecordingButton"
                Layout.fillWidth: true
                implicitHeight: 26
                font.pixelSize: Theme.smallFontSize
                raised: true
                enabled: bar.recording.phase === "recording" || bar.recording.phase === "paused"
                text: bar.recording.phase === "paused" ? Strings.t("继续录音") : Strings.t("暂停录音")
                iconName: bar.recording.phase === "paused" ? "record.fill" : "pause.fill"
                iconSize: 11
                onClicked: bar.recording.phase === "paused" ? bar.recording.resume() : bar.recording.pause()
            }
            QuietButton {
                objectName: "stopRecordingButton"
                Layout.fillWidth: true
                implicitHeight: 26
                font.pixelSize: Theme.smallFontSize
                raised: true
                enabled: bar.recording.phase === "recording" || bar.recording.phase === "paused"
                text: Strings.t("停止录音")
                iconName: "stop.fill"
                iconSize: 11
                iconColor: Theme.recordingRed
                onClicked: bar.recording.stop()
            }
        }
    }
}
