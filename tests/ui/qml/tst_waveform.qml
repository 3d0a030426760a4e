import QtQuick
import QtTest
import Hushnote.Ui

// Seeking from the waveform by click, drag and keys; the played bars follow the play head.
TestCase {
    name: "WaveformView"
    when: windowShown
    visible: true
    width: 500
    height: 100

    QtObject {
        id: player
        property real fraction: 0
        property var peaks: []
        property string accessibleValue
        property var seeks: []
        function seekFraction(f) { seeks = seeks.concat([f]); fraction = f }
        function seekBy(seconds) { seeks = seeks.concat(["by " + seconds]) }
    }
    Component {
        id: waveform
        WaveformView {}
    }

    function init() {
        player.fraction = 0
        player.peaks = []
        player.seeks = []
    }

    function makeView() {
        return createTemporaryObject(waveform, this, {player: player, width: 400, height: 36})
    }

    function test_clickAndDragSeekWithinTheAudio() {
        const view = makeView()
        mouseClick(view, 100, 18)
        compare(player.seeks, [0.25])

        // A drag scrubs continuously and clamps past either end.
        player.seeks = []
        mousePress(view, 200, 18)
        mouseMove(view, 480, 18)
        mouseMove(view, -30, 18)
        mouseRelease(view, -30, 18)
        compare(player.seeks.slice(0, 1), [0.5])
        compare(player.seeks.slice(-2), [1, 0])

        player.seeks = []
        view.forceActiveFocus()
        keyClick(Qt.Key_Right)
        keyClick(Qt.Key_Left)
        compare(player.seeks, ["by 5", "by -5"])
    }

    function test_playedBarsFollowThePlayHead() {
        const view = makeView()
        // No peaks: the flat track, played up to the play head.
        player.fraction = 0.5
        compare(findChild(view, "playedTrack").width, 200)

        const peaks = []
        for (let i = 0; i < 640; ++i)
            peaks.push((i % 7) / 7)
        player.peaks = peaks
        player.fraction = 0
        compare(view.played, 1)
        player.fraction = 0.5
        compare(view.played, 51)
        player.fraction = 1
        compare(view.played, 100)
    }
}
