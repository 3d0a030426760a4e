pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The record menu of one note, built when it opens from LibraryShell.recordMenu: "只读资料" in a
// foreign library; "恢复笔记" in the trash; otherwise star, "移到项目", and "移到废纸篓".
AppMenu {
    id: menu
    required property LibraryShell shell
    property string recordID

    // At the pointer, or beside `row` when the keyboard asked for it.
    function popupFor(recordID, row) {
        menu.recordID = recordID
        while (menu.count > 0)
            menu.takeItem(0).destroy()
        for (const entry of shell.recordMenu(recordID))
            add(menu, entry)
        if (row)
            popup(row, Theme.spacingLarge * 2, row.height - Theme.spacingTiny)
        else
            popup()
    }

    function add(target, entry) {
        if (entry.type === "separator") {
            target.addItem(separator.createObject(null))
        } else if (entry.type === "submenu") {
            const sub = submenu.createObject(null, { title: entry.text, enabled: entry.enabled })
            for (const child of entry.items)
                add(sub, child)
            target.addMenu(sub)
        } else {
            target.addItem(item.createObject(null, {
                text: entry.text, enabled: entry.enabled && entry.type === "action",
                action_: entry.action, projectID: entry.projectID }))
        }
    }

    Component { id: separator; AppMenuSeparator {} }
    Component { id: submenu; AppMenu {} }
    Component {
        id: item
        AppMenuItem {
            property string action_
            property string projectID
            onTriggered: menu.shell.organize(menu.recordID, action_, projectID)
        }
    }
}
