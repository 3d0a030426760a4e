import QtQuick
import Hushnote.Ui

Item {
    required property QtObject viewState
    signal editRequested()
    signal processingRequested()
}
