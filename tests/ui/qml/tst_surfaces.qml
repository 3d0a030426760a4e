import QtQuick
import QtTest
import Hushnote.Ui

// The shared surfaces: a disabled button of either style is drawn at 0.4 whatever its state, the
// quiet fill follows the state table, reduced motion switches the animations off.
TestCase {
    name: "Surfaces"
    when: windowShown
    width: 300
    height: 200

    Component { id: quiet; QuietButton { text: "导入录音"; iconName: "plus" } }
    Component { id: playback; PlaybackButton { help: "播放" } }

    function cleanup() {
        DesktopLook.reduceMotion = false
    }

    function test_disabledOpacity() {
        for (const component of [quiet, playback]) {
            const button = createTemporaryObject(component, this, { enabled: false, checked: true })
            compare(button.opacity, 0.4)
            compare(button.Accessible.name.length > 0, true)
        }
    }

    function test_quietFill_data() {
        return [
            { tag: "pressed", args: [true, true, true, true, true], fill: 0.095 },
            { tag: "hover selected", args: [false, true, true, true, false], fill: 0.09 },
            { tag: "hover", args: [false, true, true, false, true], fill: 0.055 },
            { tag: "hover disabled", args: [false, true, false, false, true], fill: 0.025 },
            { tag: "selected", args: [false, false, true, true, false], fill: 0.065 },
            { tag: "raised", args: [false, false, true, false, true], fill: 0.025 },
            { tag: "plain", args: [false, false, true, false, false], fill: 0 },
        ]
    }
    function test_quietFill(data) {
        compare(Theme.quietFill.apply(Theme, data.args), data.fill)
    }

    function test_reducedMotion() {
        compare(Theme.hoverDuration, 140)
        compare(Theme.pressDuration, 100)
        DesktopLook.reduceMotion = true
        compare(Theme.hoverDuration, 0)
        compare(Theme.pressDuration, 0)
    }
}
