pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The "AI 整理" popover for the selected note: transcription and summary cards, the running job's
// progress with "停止并保留进度", or in a read-only library only "复制到我的资料库".
Popover {
    id: popover
    objectName: "processingPopover"
    // The Workspace; the program's own unless a test hands in another.
    property QtObject workspace: AppWorkspace
    readonly property ProcessingModel model: processing

    x: parent ? parent.width - width - Theme.spacingLarge : 0
    y: Theme.topBarHeight - Theme.spacingSmall
    width: 400
    onAboutToShow: processing.open()

    ProcessingModel {
        id: processing
        workspace: popover.workspace
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacing

        RowLayout {
            spacing: Theme.spacingSmall
            Icon { name: "sparkles"; color: Theme.amber; size: 16 }
            PlainLabel {
                text: Strings.t("AI 整理")
                color: Theme.text
                font.pixelSize: Theme.titleFontSize
                font.bold: true
            }
        }
        Note { text: Strings.t("从声音到文字，再到清晰的纪要。") }

        ProcessingReadOnly {
            visible: processing.readOnly
            model: processing
        }
        ProcessingRunning {
            visible: !processing.readOnly && processing.running
            model: processing
        }
        ProcessingCards {
            visible: !processing.readOnly && !processing.running
            model: processing
        }
    }
}
