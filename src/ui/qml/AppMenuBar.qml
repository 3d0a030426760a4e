pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Hushnote.Ui

// The window's menus: 文件 (import, open a library read-only, my library, settings, quit) and 播放
// (play or pause, ten seconds back and forward). The playback shortcuts are window shortcuts, so
// a focused text field keeps the keys it needs (Ctrl+Left/Right move by word there).
MenuBar {
    id: bar
    required property string language
    required property QtObject workspace
    required property QtObject audio
    signal settingsRequested()
    signal quitRequested()

    LibraryShell { id: shell; workspace: bar.workspace }
    PlaybackCommands { id: playback; audio: bar.audio }

    // A bare Text per language change: the key re-reads every title below.
    function t(key) { return bar.language.length >= 0 ? Strings.t(key) : key }

    background: Rectangle {
        implicitHeight: 28
        color: Theme.windowBackground
        Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.line }
    }
    delegate: MenuBarItem {
        id: menuBarItem
        font.pixelSize: Theme.fontSize
        contentItem: PlainLabel {
            text: menuBarItem.text
            font: menuBarItem.font
            color: Theme.text
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 5
            color: menuBarItem.highlighted ? Theme.white(Theme.quietHoverFill) : "transparent"
        }
    }

    AppMenu {
        title: bar.t("文件")
        Action {
            text: bar.t("导入录音…")
            shortcut: "Ctrl+O"
            enabled: !shell.loading
            onTriggered: shell.chooseAudio()
        }
        Action {
            text: bar.t("打开资料库（只读）…")
            shortcut: "Ctrl+Shift+O"
            enabled: shell.canSwitchLibrary
            onTriggered: shell.chooseLibrary()
        }
        AppMenuSeparator {}
        Action {
            text: bar.t("我的资料库")
            enabled: shell.canSwitchLibrary
            onTriggered: shell.loadHome()
        }
        AppMenuSeparator {}
        Action {
            text: bar.t("设置…")
            shortcut: "Ctrl+,"
            onTriggered: bar.settingsRequested()
        }
        Action {
            text: bar.t("退出")
            shortcut: "Ctrl+Q"
            onTriggered: bar.quitRequested()
        }
    }
    AppMenu {
        title: bar.t("播放")
        Action {
            text: bar.language.length >= 0 ? playback.toggleTitle : ""
            shortcut: "Ctrl+P"
            onTriggered: playback.toggle()
        }
        Action {
            text: bar.t("后退 10 秒")
            shortcut: "Ctrl+Left"
            onTriggered: playback.skip(-10)
        }
        Action {
            text: bar.t("前进 10 秒")
            shortcut: "Ctrl+Right"
            onTriggered: playback.skip(10)
        }
    }
}
