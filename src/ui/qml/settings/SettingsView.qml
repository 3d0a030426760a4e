import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// The two panes of the settings window: the six sections in order, and the chosen one.
// (Not a bound-component file: Qt 6.4 refuses to build a section in the Loader from one, as this
// view itself lives in a Loader of a Window.)
Item {
    id: root
    required property QtObject downloads
    required property int section
    signal sectionChosen(int index)

    readonly property var sections: [
        { title: "本地模型", icon: "desktopcomputer" },
        { title: "模型 API", icon: "key" },
        { title: "个性化整理", icon: "person.crop.circle" },
        { title: "模板市场", icon: "square.grid.2x2" },
        { title: "系统语言", icon: "globe" },
        { title: "关于", icon: "info.circle" }
    ]

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.preferredWidth: 192
            Layout.fillHeight: true
            color: Theme.sidebar

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: Theme.spacing
                anchors.topMargin: Theme.spacingHuge
                spacing: 2

                PlainLabel {
                    text: Strings.t("设置")
                    color: Theme.text
                    font.pixelSize: Theme.headlineFontSize
                    font.bold: true
                    Layout.leftMargin: 6
                }
                PlainLabel {
                    text: "Hushnote"
                    color: Theme.muted
                    font.pixelSize: Theme.smallFontSize
                    Layout.leftMargin: 6
                    Layout.bottomMargin: Theme.spacingLarge
                }
                Repeater {
                    model: root.sections
                    QuietButton {
                        required property int index
                        required property var modelData
                        Layout.fillWidth: true
                        horizontalAlignment: Qt.AlignLeft
                        iconName: modelData.icon
                        text: Strings.t(modelData.title)
                        selected: root.section === index
                        onClicked: root.sectionChosen(index)
                    }
                }
                Item { Layout.fillHeight: true }
            }
        }
        Rectangle { Layout.preferredWidth: 1; Layout.fillHeight: true; color: Theme.line }

        // Only the chosen section exists: it reads its state when shown, and leaving it drops
        // what was typed but not saved, its "已保存。" lines and any check it was running.
        Loader {
            objectName: "sectionLoader"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: [localModelsPage, cloudPage, personalizationPage, templatesPage, languagePage, aboutPage][root.section]
        }
    }

    Component { id: localModelsPage; LocalModelsSection { downloads: root.downloads } }
    Component { id: cloudPage; CloudSection {} }
    Component { id: personalizationPage; PersonalizationSection {} }
    Component { id: templatesPage; TemplatesSection {} }
    Component { id: languagePage; LanguageSection {} }
    Component { id: aboutPage; AboutSection {} }
}
