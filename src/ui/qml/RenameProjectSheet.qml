pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import Hushnote.Ui

// "重命名项目": the name field, the error of a failed save, "取消" (Esc) and "保存" (Return;
// "保存中…" while saving). The sheet closes only when the rename has been saved.
Sheet {
    id: sheet
    required property QtObject workspace
    objectName: "renameProjectSheet"
    title: Strings.t("重命名项目")
    closePolicy: form.saving ? Popup.NoAutoClose : Popup.CloseOnEscape

    function openFor(projectID, name) {
        form.begin(projectID, name)
        open()
        field.forceActiveFocus()
        field.selectAll()
    }

    ProjectRenameForm {
        id: form
        workspace: sheet.workspace
        onSaved: sheet.close()
    }

    FieldBox {
        id: field
        Layout.fillWidth: true
        placeholderText: Strings.t("项目名称")
        text: form.name
        onTextEdited: form.name = text
        onAccepted: form.save()
    }
    PlainLabel {
        Layout.fillWidth: true
        visible: form.error.length > 0
        text: form.error
        color: Theme.danger
        font.pixelSize: Theme.smallFontSize
        wrapMode: Text.Wrap
    }

    buttons: [
        SheetButton { text: Strings.t("取消"); enabled: !form.saving; onClicked: sheet.close() },
        SheetButton {
            text: form.saveLabel
            isDefault: true
            enabled: form.canSave
            onClicked: form.save()
        }
    ]
}
