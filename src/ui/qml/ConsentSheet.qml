pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// Asks before a job sends a note to a cloud service: the question, who receives what and who
// pays, and two buttons; the confirming one is the default (Return) and has the focus. Any other
// way of closing the sheet (Esc, "取消") declines.
Sheet {
    id: sheet
    objectName: "consentSheet"
    property int ticket: 0
    property string confirmText
    property string cancelText
    property bool allowed: false
    signal answered(int ticket, bool allowed)

    width: 440
    function ask(ticket, messageText, informativeText, confirmButton, cancelButton) {
        sheet.ticket = ticket
        title = messageText
        message = informativeText
        confirmText = confirmButton
        cancelText = cancelButton
        allowed = false
        open()
        confirm.forceActiveFocus()
    }
    onClosed: answered(ticket, allowed)

    buttons: [
        SheetButton {
            text: sheet.cancelText
            onClicked: sheet.close()
        },
        SheetButton {
            id: confirm
            text: sheet.confirmText
            isDefault: true
            onClicked: { sheet.allowed = true; sheet.close() }
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
        }
    ]
}
