pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// "新建项目": a name field, "取消" and "创建" (enabled once the name has more than white space).
Sheet {
    id: sheet
    required property LibraryShell shell
    objectName: "newProjectSheet"
    title: Strings.t("新建项目")

    function openEmpty() {
        field.text = ""
        open()
        field.forceActiveFocus()
    }
    function create() {
        if (!sheet.shell.isUsableName(field.text))
            return
        sheet.shell.createProject(field.text)
        close()
    }

    FieldBox {
        id: field
        Layout.fillWidth: true
        placeholderText: Strings.t("项目名称")
        onAccepted: sheet.create()
    }

    buttons: [
        SheetButton { text: Strings.t("取消"); onClicked: sheet.close() },
        SheetButton {
            text: Strings.t("创建")
            isDefault: true
            enabled: sheet.shell.isUsableName(field.text)
            onClicked: sheet.create()
        }
    ]
}
