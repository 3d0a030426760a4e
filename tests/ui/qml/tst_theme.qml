import QtQuick
import QtTest
import Hushnote.Ui

TestCase {
    name: "Theme"
    function test_palette() {
        compare(Theme.amber, Qt.rgba(0.86, 0.68, 0.41, 1))
    }
}
