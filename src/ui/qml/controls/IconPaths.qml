pragma Singleton
import QtQuick

// The program's pictures, as SVG path data on a 24 × 24 grid, drawn as 1.8-wide strokes (or
// filled, for the names in `filled`). Named after the pictures they stand for.
QtObject {
    readonly property var paths: ({
        "waveform": "M4 10v4 M8 7v10 M12 4v16 M16 8v8 M20 11v2",
        "sparkles": "M10 3l1.6 5.4 5.4 1.6 -5.4 1.6 -1.6 5.4 -1.6 -5.4 -5.4 -1.6 5.4 -1.6z M18 14l0.8 2.2 2.2 0.8 -2.2 0.8 -0.8 2.2 -0.8 -2.2 -2.2 -0.8 2.2 -0.8z",
        "square.and.arrow.up": "M12 3v12 M8 7l4 -4 4 4 M8 10H5v11h14V10h-3",
        "magnifyingglass": "M10.5 4a6.5 6.5 0 1 0 0.01 0z M15.5 15.5L20.5 20.5",
        "xmark.circle.fill": "M12 3a9 9 0 1 0 0.01 0z M9 9l6 6 M15 9l-6 6",
        "xmark": "M6 6l12 12 M18 6L6 18",
        "pencil": "M4 20l1.2 -4.2L15.5 5.5a2.1 2.1 0 0 1 3 3L8.2 18.8z M13.8 7.2l3 3",
        "plus": "M12 5v14 M5 12h14",
        "pin": "M9 3h6 M10 3v6l-3.5 4h11L14 9V3 M12 13v8",
        "doc.text": "M6 3h8l4 4v14H6z M14 3v4h4 M9 12h6 M9 16h6",
        "trash": "M4 7h16 M9 7V4h6v3 M6 7l1 13h10l1 -13 M10 11v6 M14 11v6",
        "folder": "M3 6.5h6l2 2h10v10.5H3z",
        "play.fill": "M8 5v14l11 -7z",
        "pause.fill": "M7 5h3.5v14H7z M13.5 5H17v14h-3.5z",
        "gobackward": "M5 12a7 7 0 1 0 2 -4.9 M5 4v4h4",
        "goforward": "M19 12a7 7 0 1 1 -2 -4.9 M19 4v4h-4",
        "gearshape": "M12 8.5a3.5 3.5 0 1 0 0.01 0z M12 2.5v3 M12 18.5v3 M2.5 12h3 M18.5 12h3 M5.3 5.3l2.1 2.1 M16.6 16.6l2.1 2.1 M5.3 18.7l2.1 -2.1 M16.6 7.4l2.1 -2.1",
        "slider.horizontal.3": "M4 5h2.5 M11.5 5H20 M9 2.5a2.5 2.5 0 1 0 0.01 0z M4 12h8.5 M17.5 12H20 M15 9.5a2.5 2.5 0 1 0 0.01 0z M4 19h1.5 M10.5 19H20 M8 16.5a2.5 2.5 0 1 0 0.01 0z",
        "speaker.wave.2": "M4 9.5h3.5L12 6v12l-4.5 -3.5H4z M15.5 9.5a3.5 3.5 0 0 1 0 5 M18 7a7 7 0 0 1 0 10",
        "checkmark": "M5 12.5l4.5 4.5L19 7.5",
        "chevron.down": "M6 9l6 6 6 -6",
        "chevron.right": "M9 6l6 6 -6 6",
        "arrow.down.circle": "M12 3a9 9 0 1 0 0.01 0z M12 7.5v8 M8.5 12l3.5 3.5 3.5 -3.5",
        "exclamationmark.triangle": "M12 3.5L2.5 20h19z M12 9.5v5 M12 17.2v0.3",
        "doc.on.doc": "M8.5 8.5h10.5v12.5H8.5z M5 15.5V3h10.5",
        "lock": "M6 11h12v10H6z M8.5 11V7.5a3.5 3.5 0 0 1 7 0V11",
        "arrow.uturn.backward": "M9 14L4 9l5 -5 M4 9h10.5a5 5 0 0 1 0 10H11",
        "arrow.clockwise": "M19 12a7 7 0 1 1 -2 -4.9 M19 4v4h-4",
        "ellipsis": "M6 12h0.01 M12 12h0.01 M18 12h0.01",
        "key": "M15.5 3.5a5 5 0 1 0 0.01 0z M11.8 12.2L3.5 20.5 M6.5 17.5l2 2 M9 15l2 2",
        "desktopcomputer": "M3 4h18v12H3z M8 20h8 M12 16v4",
        "cloud": "M7 18.5h10a4 4 0 0 0 0.4 -8 6 6 0 0 0 -11.4 1.6A3.3 3.3 0 0 0 7 18.5z",
        "person.2": "M9 11a3.5 3.5 0 1 0 0.01 0z M3 20a6 6 0 0 1 12 0 M16 5.5a3 3 0 0 1 0 5.8 M17.5 14a5 5 0 0 1 3.5 5.5",
        "text.alignleft": "M4 6h16 M4 10h10 M4 14h16 M4 18h10",
        "clock": "M12 3a9 9 0 1 0 0.01 0z M12 7v5l3.5 2",
        "tray.and.arrow.down": "M12 3v10 M8 9l4 4 4 -4 M3 14h5l1.5 2.5h5L16 14h5v6H3z",
        "books.vertical": "M4 4h4v16H4z M10 4h4v16h-4z M16 5l3.8 -1 3 15.5 -3.8 1z",
        "questionmark.circle": "M12 3a9 9 0 1 0 0.01 0z M9.5 9.5a2.5 2.5 0 1 1 3.5 2.3c-0.7 0.3 -1 0.9 -1 1.7v0.5 M12 17.3v0.2",
        // Document
        "headphones": "M4 15v-3a8 8 0 0 1 16 0v3 M4 14h3v6H4z M17 14h3v6h-3z",
        // Processing and settings
        "checkmark.circle": "M12 3a9 9 0 1 0 0.01 0z M8 12.5l3 3 5 -6",
        "checkmark.circle.fill": "M12 3a9 9 0 1 0 0.01 0z M8 12.5l3 3 5 -6",
        "person.crop.circle": "M12 3a9 9 0 1 0 0.01 0z M12 7.5a3 3 0 1 0 0.01 0z M6.5 18.5a6.5 6.5 0 0 1 11 0",
        "square.grid.2x2": "M4 4h7v7H4z M13 4h7v7h-7z M4 13h7v7H4z M13 13h7v7h-7z",
        "globe": "M12 3a9 9 0 1 0 0.01 0z M3 12h18 M12 3c-3 3.5 -3 14.5 0 18 M12 3c3 3.5 3 14.5 0 18",
        "info.circle": "M12 3a9 9 0 1 0 0.01 0z M12 11v6 M12 7.5v0.3",
        // Recording
        "mic": "M12 3a3 3 0 0 0 -3 3v6a3 3 0 0 0 6 0V6a3 3 0 0 0 -3 -3z M5.5 11a6.5 6.5 0 0 0 13 0 M12 17.5V21 M8.5 21h7",
        "stop.fill": "M6.5 6.5h11v11h-11z",
        "record.fill": "M12 6.5a5.5 5.5 0 1 0 0.01 0z"
    })
    readonly property var filled: ({ "play.fill": true, "pause.fill": true, "stop.fill": true, "record.fill": true })
    // Dots need a wider pen to show.
    readonly property var wide: ({ "ellipsis": true })
}
