import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The divider between groups of an AppMenu.
MenuSeparator {
    topPadding: 4
    bottomPadding: 4
    contentItem: Rectangle {
        implicitHeight: 1
        color: Theme.white(0.08)
    }
}
