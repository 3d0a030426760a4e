import QtQuick
import QtQuick.Window
import Hushnote.Ui

Window {
    title: "Hushnote"
    width: 790
    height: 650
    color: Theme.windowBackground
}
