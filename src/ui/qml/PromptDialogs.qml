pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Dialogs
import Hushnote.Ui

// Opens the dialog each question of the desktop's prompts asks for and hands the answer back:
// the system's audio file, folder and save choosers, and the cloud consent sheet.
Item {
    id: dialogs
    required property QtObject prompts
    property int ticket: 0

    function folderUrl(path) { return path.length > 0 ? "file://" + encodeURI(path) : "" }

    Connections {
        target: dialogs.prompts
        function onAudioFileRequested(ticket, title, message) {
            dialogs.ticket = ticket
            audioChooser.title = title
            audioChooser.open()
        }
        function onFolderRequested(ticket, title, message, startFolder) {
            dialogs.ticket = ticket
            folderChooser.title = title
            folderChooser.currentFolder = dialogs.folderUrl(startFolder)
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
        nameFilters: [Strings.t("音频文件") + " (*.mp3 *.m4a *.wav *.aac *.flac *.ogg *.opus *.oga *.aif *.aiff *.caf *.mp4 *.m4b *.webm *.wma *.amr *.3gp)",
                      Strings.t("所有文件") + " (*)"]
        onAccepted: dialogs.prompts.answer(dialogs.ticket, selectedFile)
        onRejected: dialogs.prompts.answer(dialogs.ticket, "")
    }
    FolderDialog {
        id: folderChooser
        onAccepted: dialogs.prompts.answer(dialogs.ticket, selectedFolder)
        onRejected: dialogs.prompts.answer(dialogs.ticket, "")
    }
    FileDialog {
        id: saveChooser
        fileMode: FileDialog.SaveFile
        onAccepted: dialogs.prompts.answer(dialogs.ticket, selectedFile)
        onRejected: dialogs.prompts.answer(dialogs.ticket, "")
    }
    ConsentSheet {
        id: consent
        onAnswered: (ticket, allowed) => dialogs.prompts.answer(ticket, allowed)
    }
}
