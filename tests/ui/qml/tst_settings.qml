import QtQuick
import QtTest
import Hushnote.Ui

// Counters that turn red past their limits, and what is enabled when.
TestCase {
    id: testCase
    name: "Settings"
    when: windowShown
    width: 700
    height: 700

    Component { id: personalization; PersonalizationSection { width: 600; height: 650 } }
    Component { id: popover; ProcessingPopover { workspace: null } }

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
}
