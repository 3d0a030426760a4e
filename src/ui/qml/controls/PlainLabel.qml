import QtQuick

// The program's text label. It shows its text exactly as typed: a note's title, a speaker, a
// project, a server's or a model's words may hold markup, and drawn as such it could load images
// from anywhere or hide what it says. Only the program's own constant texts may ask for more.
// A screen reader reads it as it stands, like any other text in the window.
Text {
    textFormat: Text.PlainText
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
