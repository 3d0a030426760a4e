import QtQuick
import QtTest
import Hushnote.Ui

// The window's shell as a person meets it: a change of the stored language rebuilds the window
// in that language, and the parts that outlive the rebuild follow it; Ctrl+K reaches the search
// field; the clear button shows only with a query.
TestCase {
    id: testCase
    name: "Shell"
    visible: true
    when: windowShown
    width: 1000
    height: 700

    Component {
        id: view
        WorkspaceView {
            width: 1000
            height: 700
            workspace: AppWorkspace
            audio: AppAudio
        }
    }

    function test_languageSwitchRebuildsTheWindow() {
        const component = Qt.createComponent("qrc:/qt/qml/Hushnote/Ui/qml/Main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = component.createObject(null)
        verify(window)
        try {
            const importButton = () => findChild(window.contentItem, "importButton")
            tryVerify(() => importButton() !== null)
            compare(importButton().text, "导入录音")
            const before = importButton()

            Strings.setLanguage("en")
            compare(Strings.language, "en")
            tryVerify(() => importButton() !== null && importButton() !== before, 2000, "content rebuilt")
            compare(importButton().text, "Import Recording")
            compare(importButton().Accessible.name, "Import Recording")
            compare(window.menuBar.menus[0].title, "File")
            // What outlives the rebuilt content follows too: the settings window, the drop
            // overlay and the audio chooser's file types.
            window.openSettings()
            const settings = findChild(window, "settingsWindow")
            verify(settings)
            compare(settings.title, "Settings")
            compare(findChild(window, "dropHint").text, "Drop to import the recordings")
            const chooser = findChild(window, "audioChooser")
            verify(chooser)
            verify(chooser.nameFilters[0].startsWith("Audio Files ("), chooser.nameFilters[0])
            compare(chooser.nameFilters[1], "All Files (*)")
            settings.close()

            Strings.setLanguage("zh-Hant")
            tryVerify(() => importButton() !== null && importButton().text === "匯入錄音")
            compare(findChild(window, "settingsWindow").title, "設定")
        } finally {
            Strings.setLanguage("zh-Hans")
            window.destroy()
        }
    }

    function test_searchShortcutAndClearButton() {
        const root = createTemporaryObject(view, testCase)
        const search = findChild(root, "searchField")
        const clear = findChild(root, "clearSearchButton")
        verify(!search.activeFocus)
        // Window shortcuts answer only in the active window.
        testCase.Window.window.requestActivate()
        tryCompare(testCase.Window.window, "active", true)
        keyClick(Qt.Key_K, Qt.ControlModifier)
        verify(search.activeFocus, "Ctrl+K focuses the search field")
        compare(clear.visible, false)
        keyClick("q")
        compare(search.text, "q")
        compare(AppWorkspace.query, "q")
        compare(clear.visible, true)
        compare(clear.Accessible.name, "清除搜索")
        mouseClick(clear)
        compare(AppWorkspace.query, "")
        compare(clear.visible, false)
        compare(search.Accessible.name, "搜索录音与文字")
    }
}
