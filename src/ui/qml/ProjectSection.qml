pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The sidebar's projects: the "项目" header with its "+" button, one entry per project (with the
// rename menu), or "暂无项目".
ColumnLayout {
    id: section
    required property LibraryShell shell
    required property QtObject workspace
    spacing: 0

    ProjectListModel { id: projects; workspace: section.workspace }

    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: Theme.spacingLarge + 2
        Layout.rightMargin: Theme.spacingSmall + 2
        Layout.bottomMargin: 2
        PlainLabel {
            Layout.fillWidth: true
            text: Strings.t("项目")
            color: Theme.muted
            font.pixelSize: Theme.smallFontSize
            font.weight: Font.DemiBold
        }
        QuietButton {
            objectName: "newProjectButton"
            iconName: "plus"
            iconSize: 12
            iconColor: Theme.muted
            implicitWidth: 24
            implicitHeight: 24
            help: Strings.t("新建项目")
            enabled: section.shell.canChange
            onClicked: newProject.openEmpty()
        }
    }

    PlainLabel {
        visible: projects.count === 0
        Layout.leftMargin: Theme.spacingLarge + 2
        Layout.topMargin: 2
        Layout.bottomMargin: 4
        text: Strings.t("暂无项目")
        color: Theme.muted
        font.pixelSize: Theme.smallFontSize
    }

    ListView {
        id: list
        Layout.fillWidth: true
        Layout.preferredHeight: Math.min(contentHeight, Theme.rowHeight * 5)
        visible: projects.count > 0
        clip: true
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        model: projects
        ScrollBar.vertical: ScrollBar { policy: list.contentHeight > list.height ? ScrollBar.AsNeeded : ScrollBar.AlwaysOff }
        delegate: ScopeEntry {
            id: projectEntry
            required property string projectId
            required property string name
            required property int noteCount
            width: ListView.view.width - 2 * (Theme.spacingSmall + 2)
            x: Theme.spacingSmall + 2
            iconName: "folder"
            text: name
            count: noteCount
            selected: section.shell.scopeKind === "project" && section.shell.scopeProjectID === projectId
            onClicked: section.shell.chooseScope("project", projectId)
            TapHandler {
                acceptedButtons: Qt.RightButton
                onTapped: projectMenu.popup()
            }
            AppMenu {
                id: projectMenu
                AppMenuItem {
                    text: Strings.t("重命名项目")
                    enabled: section.shell.canChange
                    onTriggered: rename.openFor(projectEntry.projectId, projectEntry.name)
                }
            }
        }
    }

    NewProjectSheet {
        id: newProject
        shell: section.shell
    }
    RenameProjectSheet {
        id: rename
        workspace: section.workspace
    }
}
