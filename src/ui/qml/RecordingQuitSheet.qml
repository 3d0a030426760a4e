pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// Quitting while a recording runs: stop it and keep everything, or go on recording (the default,
// as Esc is: nothing is lost by answering it).
Sheet {
    id: sheet
    objectName: "recordingQuitSheet"
    signal stopChosen()

    width: 420
    title: Strings.t("正在录音，要退出吗？")
    message: Strings.t("停止后，已录下的内容会全部保存，然后退出。")

    function ask() {
        open()
        keep.forceActiveFocus()
    }

    buttons: [
        SheetButton {
            objectName: "stopAndQuitButton"
            text: Strings.t("停止并保留")
            onClicked: { sheet.close(); sheet.stopChosen() }
        },
        SheetButton {
            id: keep
            objectName: "keepRecordingButton"
            text: Strings.t("继续录音")
            isDefault: true
            onClicked: sheet.close()
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
        }
    ]
}
