pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// What to record (麦克风 / 系统声音 / 两者), whether to transcribe while recording, and the start.
Popover {
    id: popover
    objectName: "recordPopover"
    required property QtObject recording

    width: Theme.recordPopoverWidth
    // Kept inside the window: it hangs from a button at the sidebar's edge.
    margins: Theme.spacingSmall
    contentItem: ColumnLayout {
        spacing: Theme.spacingSmall
        PlainLabel {
            text: Strings.t("录音来源")
            color: Theme.text
            font.pixelSize: Theme.fontSize
            font.bold: true
            Layout.bottomMargin: 2
        }
        Repeater {
            model: [
                { label: Strings.t("麦克风"), icon: "mic" },
                { label: Strings.t("系统声音"), icon: "speaker.wave.2" },
                { label: Strings.t("两者"), icon: "person.2" }
            ]
            delegate: QuietButton {
                required property var modelData
                required property int index
                Layout.fillWidth: true
                text: modelData.label
                iconName: modelData.icon
                horizontalAlignment: Qt.AlignLeft
                selected: popover.recording.sources === index
                Accessible.checkable: true
                Accessible.checked: selected
                onClicked: popover.recording.sources = index
            }
        }
        SettingsSwitch {
            objectName: "transcribeWhileRecording"
            Layout.fillWidth: true
            Layout.topMargin: 2
            text: Strings.t("边录边转写")
            checked: popover.recording.transcribe
            onToggled: popover.recording.transcribe = checked
        }
        QuietButton {
            objectName: "startRecordingButton"
            Layout.fillWidth: true
            Layout.topMargin: 2
            text: Strings.t("开始录音")
            iconName: "record.fill"
            iconColor: Theme.recordingRed
            raised: true
            enabled: popover.recording.canStart
            onClicked: {
                popover.close()
                popover.recording.start()
            }
        }
    }
}
