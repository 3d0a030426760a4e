pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// "处理队列": whether every newly imported recording joins the processing queue for transcription.
SettingsCard {
    id: card
    // The queue's controller; the program's own unless a test hands in another.
    property QtObject queue: AppQueue
    title: Strings.t("处理队列")
    iconName: "clock"

    SettingsSwitch {
        objectName: "transcribeAfterImportSwitch"
        text: Strings.t("导入后自动转写")
        checked: card.queue.transcribeAfterImport
        onToggled: card.queue.transcribeAfterImport = checked
    }
    Note { text: Strings.t("新导入的录音会加入处理队列，使用当前的转写模型；需要发送到云端时会先询问。") }
}
