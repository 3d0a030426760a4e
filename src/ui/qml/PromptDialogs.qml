pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Dialogs
import Hushnote.Ui

// Opens the dialog each question of the desktop's prompts asks for and hands the answer back:
// the system's audio file, folder and save choosers, and the cloud consent sheet. The system's
// choosers have no place for an explanation: it is shown on the window behind them while they are
// open ("导入音频副本…", "选择包含 recordings 的目录…").
Item {
    id: dialogs
    required property QtObject prompts
    property int ticket: 0
    property string explanation

    function answer(value) {
        dialogs.explanation = ""
        dialogs.prompts.answer(dialogs.ticket, value)
    }

    function folderUrl(path) { return path.length > 0 ? "file://" + encodeURI(path) : "" }

    Connections {
        target: dialogs.prompts
        function onAudioFileRequested(ticket, title, message) {
            dialogs.ticket = ticket
            audioChooser.title = title
            dialogs.explanation = message
            audioChooser.open()
        }
        function onFolderRequested(ticket, title, message, startFolder) {
            dialogs.ticket = ticket
            folderChooser.title = title
            folderChooser.currentFolder = dialogs.folderUrl(startFolder)
            dialogs.explanation = message
            folderChooser.open()
        }
        function onSaveLocationRequested(ticket, title, suggestedPath, fileExtension) {
            dialogs.ticket = ticket
            saveChooser.title = title
            saveChooser.defaultSuffix = fileExtension
            saveChooser.nameFilters = fileExtension === "md" ? ["Markdown (*.md)"]
                                                             : [Strings.t("纯文本") + " (*.txt)"]
            saveChooser.selectedFile = dialogs.folderUrl(suggestedPath)
            saveChooser.open()
        }
        function onConsentRequested(ticket, messageText, informativeText, confirmButton, cancelButton) {
            consent.ask(ticket, messageText, informativeText, confirmButton, cancelButton)
        }
    }

    FileDialog {
        id: audioChooser
        fileMode: FileDialog.OpenFile
        objectName: "audioChooser"
        // Read again on a language change: the dialogs outlive the window's rebuilt content.
        nameFilters: Strings.language.length >= 0
                     ? [Strings.t("音频文件") + " (*.mp3 *.m4a *.wav *.aac *.flac *.ogg *.opus *.oga *.aif *.aiff *.caf *.mp4 *.m4b *.webm *.wma *.amr *.3gp)",
                        Strings.t("所有文件") + " (*)"] : []
        onAccepted: dialogs.answer(selectedFile)
        onRejected: dialogs.answer("")
    }
    FolderDialog {
        id: folderChooser
        onAccepted: dialogs.answer(selectedFolder)
        onRejected: dialogs.answer("")
    }
    FileDialog {
        id: saveChooser
        fileMode: FileDialog.SaveFile
        onAccepted: dialogs.answer(selectedFile)
        onRejected: dialogs.answer("")
    }
    Rectangle {
        objectName: "chooserExplanation"
        visible: dialogs.explanation.length > 0
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.top
        anchors.topMargin: Theme.spacingHuge * 2
        width: Math.min(parent.width - 2 * Theme.spacingHuge, 560)
        height: explanationText.implicitHeight + 2 * Theme.spacing
        radius: 8
        color: Theme.surface
        border.color: Theme.line
        Text {
            id: explanationText
            anchors.centerIn: parent
            width: parent.width - 2 * Theme.spacingLarge
            text: dialogs.explanation
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            color: Theme.text
        }
    }
    ConsentSheet {
        id: consent
        onAnswered: (ticket, allowed) => dialogs.prompts.answer(ticket, allowed)
    }
}
