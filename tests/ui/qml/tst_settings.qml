import QtQuick
import QtTest
import Hushnote.Ui

// Counters that turn red past their limits, what is enabled when, and screens that forget what
// was typed but not saved once they are left.
TestCase {
    id: testCase
    name: "Settings"
    when: windowShown
    width: 700
    height: 700

    Component { id: personalization; PersonalizationSection { width: 600; height: 650 } }
    Component { id: popover; ProcessingPopover { workspace: null } }
    Component { id: settingsWindow; SettingsWindow {} }

    function test_personalisationCountersAndSwitch() {
        const page = createTemporaryObject(personalization, testCase)
        const fields = findChild(page, "personalFields")
        verify(!fields.enabled)
        const toggle = findChild(page, "personalizationSwitch")
        toggle.forceActiveFocus()
        keyClick(Qt.Key_Space)
        verify(fields.enabled)

        const editor = findChild(page, "backgroundEditor")
        const counter = findChild(editor, "counter")
        const cases = [[1001, "1001 / 1000", Theme.danger], [1000, "1000 / 1000", Theme.muted]]
        for (const [length, text, color] of cases) {
            editor.text = "字".repeat(length)
            compare(counter.text, text)
            compare(counter.color.toString(), color.toString())
        }
    }

    function test_popoverWithoutANoteOffersNothingToStart() {
        const panel = createTemporaryObject(popover, testCase)
        panel.open()
        tryCompare(panel, "opened", true)
        verify(!findChild(panel.contentItem, "transcribeButton").enabled)
        verify(!findChild(panel.contentItem, "summaryButton").enabled)
        verify(!findChild(panel.contentItem, "chunkStatus").visible)
    }

    function test_screensReadTheirStateWhenShownAndDropDraftsWhenLeft() {
        const window = createTemporaryObject(settingsWindow, testCase)
        const editor = () => findChild(window.contentItem, "backgroundEditor")
        window.section = 2
        window.show()
        // The window's content is built once the window is shown, which the platform confirms later.
        tryVerify(() => editor() !== null)
        const stored = editor().text
        editor().text = "未保存的草稿"

        window.section = 0
        tryVerify(() => editor() === null, 5000, "the section left is gone")
        window.section = 2
        compare(editor().text, stored)

        editor().text = "又一份草稿"
        window.close()
        tryVerify(() => editor() === null, 5000, "the content is gone with the window")
        window.show()
        tryVerify(() => editor() !== null)
        compare(editor().text, stored)
        window.close()
    }
}
