pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Shapes
import Hushnote.Ui

// One of the program's pictures (IconPaths), tinted with `color`, `size` pixels square.
Item {
    id: root
    property string name
    property color color: Theme.text
    property real size: Theme.iconSize
    readonly property bool filled: IconPaths.filled[name] === true

    implicitWidth: size
    implicitHeight: size
    Accessible.ignored: true

    Shape {
        width: 24
        height: 24
        anchors.centerIn: parent
        scale: root.size / 24
        antialiasing: true
        ShapePath {
            strokeColor: root.filled ? "transparent" : root.color
            fillColor: root.filled ? root.color : "transparent"
            strokeWidth: IconPaths.wide[root.name] === true ? 3 : 1.8
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            PathSvg { path: IconPaths.paths[root.name] || "" }
        }
    }
}
