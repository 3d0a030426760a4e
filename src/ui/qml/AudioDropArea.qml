pragma ComponentBehavior: Bound
import QtQuick
import Hushnote.Ui

// Audio files dropped anywhere on the window are imported one after another. While files are
// dragged over the window an amber frame says where they will go.
DropArea {
    id: area
    required property QtObject workspace
    keys: ["text/uri-list"]

    ImportQueue { id: queue; workspace: area.workspace }

    onEntered: (drag) => { drag.accepted = queue.hasLocalFiles(drag.urls) }
    onDropped: (drop) => {
        if (queue.addUrls(drop.urls))
            drop.acceptProposedAction()
    }

    Rectangle {
        anchors.fill: parent
        anchors.margins: 6
        visible: area.containsDrag
        color: Theme.amberAt(0.06)
        radius: 10
        border.color: Theme.amberAt(0.7)
        border.width: 2
        PlainLabel {
            anchors.centerIn: parent
            objectName: "dropHint"
            // The area outlives the window's rebuilt content: read again on a language change.
            text: Strings.language.length >= 0 ? Strings.t("松开以导入录音") : ""
            color: Theme.amber
            font.pixelSize: Theme.titleFontSize
        }
    }
}
