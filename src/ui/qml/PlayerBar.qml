import QtQuick
import Hushnote.Ui

Item {
    signal settingsRequested()
    implicitHeight: 72
}
