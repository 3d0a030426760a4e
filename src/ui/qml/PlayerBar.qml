pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The strip under the document: play/pause, the waveform with the elapsed and total time, the
// speed menu, the volume and the settings button. Everything shown is the player's.
ColumnLayout {
    id: root
    required property QtObject audio
    signal settingsRequested()

    spacing: 0

    PlayerModel {
        id: player
        audio: root.audio
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: 1
        color: Theme.line
    }

    PlainLabel {
        objectName: "playerError"
        Layout.fillWidth: true
        Layout.leftMargin: Theme.spacingHuge
        Layout.rightMargin: Theme.spacingHuge
        Layout.topMargin: Theme.spacingSmall
        visible: player.errorText.length > 0
        text: player.errorText
        color: Theme.muted
        font.pixelSize: Theme.smallFontSize
        elide: Text.ElideRight
    }

    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: Theme.spacingHuge
        Layout.rightMargin: Theme.spacingLarge
        Layout.topMargin: Theme.spacing
        Layout.bottomMargin: Theme.spacing
        spacing: Theme.spacingLarge

        PlaybackButton {
            objectName: "playButton"
            implicitWidth: Theme.playButtonSize
            implicitHeight: Theme.playButtonSize
            iconName: player.isPlaying ? "pause.fill" : "play.fill"
            help: player.isPlaying ? Strings.t("暂停") : Strings.t("播放")
            enabled: player.hasPlayer
            onClicked: player.toggle()
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingTiny
            WaveformView {
                objectName: "waveform"
                Layout.fillWidth: true
                Layout.preferredHeight: Theme.waveformHeight
                player: player
            }
            RowLayout {
                Layout.fillWidth: true
                PlainLabel {
                    text: player.elapsedLabel
                    color: Theme.amber
                    font.family: Theme.monoFamily
                    font.pixelSize: Theme.smallFontSize
                }
                Item { Layout.fillWidth: true }
                PlainLabel {
                    text: player.totalLabel
                    color: Theme.muted
                    font.family: player.loading ? Theme.fontFamily : Theme.monoFamily
                    font.pixelSize: Theme.smallFontSize
                }
            }
        }

        QuietButton {
            id: speedButton
            objectName: "speedButton"
            text: player.rateLabel
            help: Strings.t("播放速度")
            Layout.preferredWidth: 58
            onClicked: speedMenu.popup(speedButton, 0, -speedMenu.implicitHeight)
        }
        AppMenu {
            id: speedMenu
            Instantiator {
                model: player.rateLabels
                delegate: AppMenuItem {
                    required property int index
                    required property string modelData
                    text: modelData
                    checkable: true
                    checked: modelData === player.rateLabel
                    onTriggered: player.chooseRate(index)
                }
                onObjectAdded: (index, object) => speedMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => speedMenu.removeItem(object)
            }
        }

        RowLayout {
            spacing: Theme.spacingSmall
            Icon {
                name: "speaker.wave.2"
                color: Theme.muted
            }
            VolumeSlider {
                Accessible.name: Strings.t("音量")
                value: player.volume
                onMoved: player.volume = value
            }
        }

        QuietButton {
            iconName: "slider.horizontal.3"
            iconSize: 16
            help: Strings.t("设置")
            onClicked: root.settingsRequested()
        }
    }
}
