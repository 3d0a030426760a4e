pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Hushnote.Ui

// A quiet placeholder: a picture, a title and a line of explanation, centred.
ColumnLayout {
    id: root
    required property string title
    required property string iconName
    required property string description

    spacing: Theme.spacingSmall
    Accessible.role: Accessible.StaticText
    Accessible.name: title

    Icon {
        Layout.alignment: Qt.AlignHCenter
        Layout.bottomMargin: Theme.spacingSmall
        name: root.iconName
        size: 30
        color: Theme.muted
    }
    PlainLabel {
        Layout.alignment: Qt.AlignHCenter
        text: root.title
        color: Theme.text
        font.pixelSize: Theme.titleFontSize
        font.weight: Font.DemiBold
    }
    PlainLabel {
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 440
        text: root.description
        color: Theme.muted
        font.pixelSize: Theme.fontSize
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        lineHeight: 1.2
    }
}
