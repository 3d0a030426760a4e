pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// Renames one speaker in every segment of the draft: pick the speaker, type the new name, apply.
// The rules (the list, the count, the feedback) are the draft's.
ColumnLayout {
    id: control
    required property RecordDraft draft
    property bool expanded: true

    spacing: Theme.spacingSmall

    QuietButton {
        Layout.fillWidth: true
        horizontalAlignment: Qt.AlignLeft
        iconName: control.expanded ? "chevron.down" : "chevron.right"
        text: Strings.t("批量修改说话人")
        onClicked: control.expanded = !control.expanded
    }

    PlainLabel {
        visible: control.expanded
        Layout.fillWidth: true
        text: Strings.t("仅修改这篇笔记中同名的说话人，逐字稿内容和时间不变。")
        color: Theme.muted
        font.pixelSize: Theme.smallFontSize
        wrapMode: Text.Wrap
    }

    RowLayout {
        visible: control.expanded
        spacing: Theme.spacingSmall

        QuietButton {
            id: picker
            objectName: "speakerPicker"
            raised: true
            Layout.preferredWidth: Theme.speakerFieldWidth
            horizontalAlignment: Qt.AlignLeft
            readonly property bool chosen: control.draft.sourceIndex >= 0
            text: chosen ? control.draft.speakerLabels[control.draft.sourceIndex] : Strings.t("选择说话人")
            textColor: chosen ? Theme.text : Theme.muted
            help: Strings.t("原说话人")
            onClicked: speakerMenu.popup(picker, 0, picker.height)
        }

        AppMenu {
            id: speakerMenu
            Instantiator {
                model: control.draft.speakerLabels
                delegate: AppMenuItem {
                    required property int index
                    required property string modelData
                    text: modelData
                    checkable: true
                    checked: index === control.draft.sourceIndex
                    onTriggered: control.draft.sourceIndex = index
                }
                onObjectAdded: (index, object) => speakerMenu.insertItem(index, object)
                onObjectRemoved: (index, object) => speakerMenu.removeItem(object)
            }
        }

        FieldBox {
            objectName: "newSpeakerName"
            Layout.preferredWidth: Theme.speakerFieldWidth
            placeholderText: Strings.t("新姓名")
            text: control.draft.newName
            onTextEdited: control.draft.newName = text
            onAccepted: control.draft.applyRename()
        }

        QuietButton {
            objectName: "applyRename"
            raised: true
            text: control.draft.applyLabel
            enabled: control.draft.canApply
            onClicked: control.draft.applyRename()
        }
    }

    PlainLabel {
        visible: control.expanded && control.draft.feedback.length > 0
        Layout.fillWidth: true
        text: control.draft.feedback
        color: Theme.amber
        font.pixelSize: Theme.smallFontSize
        wrapMode: Text.Wrap
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.topMargin: Theme.spacingSmall
        implicitHeight: 1
        color: Theme.line
    }
}
