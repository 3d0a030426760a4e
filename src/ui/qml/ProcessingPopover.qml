import QtQuick
import QtQuick.Controls
import Hushnote.Ui

Popup {
}
