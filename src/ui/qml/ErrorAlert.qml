pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// "暂时无法完成": shown while the workspace has an error; "好" (or Esc) dismisses it and clears
// the error.
Sheet {
    id: alert
    property string text
    signal dismissed()

    objectName: "errorAlert"
    title: Strings.t("暂时无法完成")
    message: text
    onTextChanged: text.length > 0 ? open() : close()
    Component.onCompleted: if (text.length > 0) open()
    onClosed: if (text.length > 0) alert.dismissed()

    buttons: SheetButton {
        text: Strings.t("好")
        isDefault: true
        focus: true
        onClicked: alert.close()
        Keys.onReturnPressed: alert.close()
        Keys.onEnterPressed: alert.close()
    }
}
