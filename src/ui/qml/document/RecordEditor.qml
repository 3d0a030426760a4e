pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Controls
import QtQuick.Layouts
import Hushnote.Ui

// The note editor sheet: the title, then the summary or one entry per segment (speaker and
// text; times never change). Nothing is written until "保存"; a failure stays here with the draft.
Popup {
    id: sheet
    required property RecordDraft draft

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(Theme.editorWidth, parent ? parent.width - 40 : Theme.editorWidth)
    height: Math.min(Theme.editorHeight, parent ? parent.height - 40 : Theme.editorHeight)
    modal: true
    focus: true
    padding: 22
    closePolicy: draft.saving ? Popup.NoAutoClose : Popup.CloseOnEscape

    Overlay.modal: Rectangle { color: Theme.overlayDim }
    background: Rectangle {
        color: Theme.surface
        radius: Theme.sheetRadius
        border.color: Theme.white(0.09)
        border.width: 1
    }

    Connections {
        target: sheet.draft
        function onSaved() { sheet.close() }
    }

    Shortcut {
        sequences: [StandardKey.Save]
        enabled: sheet.visible && !sheet.draft.saving
        onActivated: sheet.draft.save()
    }

    contentItem: ColumnLayout {
        // A popup is not an item: the sheet's role and name sit on its content.
        Accessible.role: Accessible.Dialog
        Accessible.name: sheet.draft.header
        spacing: Theme.spacing

        RowLayout {
            spacing: Theme.spacing
            PlainLabel {
                text: sheet.draft.header
                color: Theme.text
                font.pixelSize: Theme.titleFontSize + 2
                font.weight: Font.DemiBold
            }
            PlainLabel {
                text: Strings.t("保存前不会修改原文")
                color: Theme.muted
                font.pixelSize: Theme.smallFontSize
            }
        }

        FieldBox {
            objectName: "titleField"
            Layout.fillWidth: true
            placeholderText: Strings.t("录音标题")
            text: sheet.draft.title
            onTextEdited: sheet.draft.title = text
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: sheet.draft.summaryMode
            TextArea {
                objectName: "summaryEditor"
                text: sheet.draft.summary
                onTextChanged: if (sheet.draft.summaryMode) sheet.draft.summary = text
                wrapMode: TextEdit.Wrap
                color: Theme.text
                selectByMouse: true
                font.pixelSize: Theme.fontSize + 1
                Accessible.name: Strings.t("纪要")
                background: Rectangle { radius: 7; color: Theme.white(Theme.fieldFill) }
            }
        }

        PlainLabel {
            visible: !sheet.draft.summaryMode && !sheet.draft.hasSegments
            Layout.fillHeight: true
            text: Strings.t("尚无逐字稿，可以先修改标题。")
            color: Theme.muted
            font.pixelSize: Theme.fontSize
        }

        SpeakerRenameControl {
            Layout.fillWidth: true
            visible: !sheet.draft.summaryMode && sheet.draft.hasSegments
            draft: sheet.draft
        }

        ListView {
            objectName: "segmentEditors"
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: !sheet.draft.summaryMode && sheet.draft.hasSegments
            clip: true
            reuseItems: false
            spacing: Theme.spacing
            model: visible ? sheet.draft.segments : null
            ScrollBar.vertical: ScrollBar {}
            delegate: SegmentEditor {
                width: ListView.view.width - Theme.spacing
                onSpeakerEdited: value => sheet.draft.segments.setSpeaker(index, value)
                onTextEdited: value => sheet.draft.segments.setText(index, value)
            }
        }

        RowLayout {
            spacing: Theme.spacingSmall
            Item { Layout.fillWidth: true }
            SheetButton {
                text: Strings.t("取消")
                enabled: !sheet.draft.saving
                onClicked: sheet.close()
            }
            SheetButton {
                objectName: "saveButton"
                isDefault: true
                text: Strings.t("保存")
                enabled: !sheet.draft.saving
                onClicked: sheet.draft.save()
            }
        }

        PlainLabel {
            objectName: "editorError"
            Layout.fillWidth: true
            visible: sheet.draft.error.length > 0
            text: sheet.draft.error
            color: Theme.danger
            font.pixelSize: Theme.fontSize
            wrapMode: Text.Wrap
        }
    }
}
