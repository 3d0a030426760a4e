pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The bar above the document: the search field (Ctrl+K) with its clear button, the edit button
// (managed library only), "AI 整理" and "导出".
Rectangle {
    id: bar
    required property QtObject viewState
    required property LibraryShell shell
    readonly property Item processingButton: processingButton
    readonly property Item exportButton: exportButton
    signal editRequested()
    signal processingRequested()
    signal exportRequested()

    color: Theme.canvas

    function focusSearch() {
        search.forceActiveFocus()
        search.selectAll()
    }

    Shortcut {
        sequence: "Ctrl+K"
        onActivated: bar.focusSearch()
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.spacingHuge
        anchors.rightMargin: Theme.spacingHuge
        spacing: Theme.spacingSmall

        Rectangle {
            Layout.preferredWidth: 360
            Layout.minimumWidth: 200
            Layout.fillWidth: true
            Layout.maximumWidth: 420
            implicitHeight: 34
            radius: 9
            color: Theme.white(Theme.fieldFill)
            border.color: search.activeFocus ? Theme.amberAt(Theme.focusRingOpacity) : Theme.white(0.07)
            border.width: search.activeFocus ? Theme.focusRingWidth : Theme.quietBorderWidth

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 11
                anchors.rightMargin: 4
                spacing: 7
                Icon { name: "magnifyingglass"; size: 14; color: Theme.muted }
                TextField {
                    id: search
                    objectName: "searchField"
                    Layout.fillWidth: true
                    background: null
                    leftPadding: 0
                    rightPadding: 0
                    color: Theme.text
                    placeholderText: Strings.t("搜索录音与文字…")
                    placeholderTextColor: Theme.muted
                    selectionColor: Theme.amberAt(0.45)
                    selectedTextColor: Theme.text
                    font.pixelSize: Theme.fontSize
                    selectByMouse: true
                    text: bar.shell.query
                    onTextEdited: bar.shell.query = text
                    Keys.onEscapePressed: bar.shell.query = ""
                    Accessible.name: Strings.t("搜索录音与文字")
                }
                QuietButton {
                    objectName: "clearSearchButton"
                    visible: bar.shell.query.length > 0
                    iconName: "xmark.circle.fill"
                    iconColor: Theme.muted
                    iconSize: 14
                    implicitWidth: 26
                    implicitHeight: 26
                    radius: 13
                    help: Strings.t("清除搜索")
                    onClicked: {
                        bar.shell.query = ""
                        search.forceActiveFocus()
                    }
                }
            }
        }

        Item { Layout.fillWidth: true }

        QuietButton {
            objectName: "editButton"
            visible: bar.shell.isManaged
            iconName: "pencil"
            help: Strings.t("校对文字")
            raised: true
            implicitWidth: 34
            implicitHeight: 32
            enabled: bar.shell.canEdit
            Accessible.description: bar.shell.editWaitReason
            onClicked: bar.editRequested()
        }
        QuietButton {
            id: processingButton
            objectName: "processingButton"
            text: bar.shell.processingLabel
            iconName: "sparkles"
            iconColor: Theme.amber
            raised: true
            implicitHeight: 32
            onClicked: bar.processingRequested()
        }
        QuietButton {
            id: exportButton
            objectName: "exportButton"
            text: Strings.t("导出")
            iconName: "square.and.arrow.up"
            raised: true
            implicitHeight: 32
            onClicked: bar.exportRequested()
        }
    }
}
