import QtQuick
import Hushnote.Ui

Rectangle {
    color: Theme.sidebar
}
