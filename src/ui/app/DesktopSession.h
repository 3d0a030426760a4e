#pragma once

#include <QString>

#include <memory>

class DesktopApp;
class QQmlApplicationEngine;

// The desktop program from its start up to the main window: the program's names, the Basic style,
// the typeface of the interface language, the desktop's look, the home library read and Main.qml
// loaded. The installed program and the development program that takes its screenshots and times
// its window start the same way through this.
class DesktopSession {
public:
    // Names the program (application, organisation, version, desktop file); call before the
    // QGuiApplication is made, so settings and the single-instance lock find the program's own.
    static void nameProgram();

    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession &) = delete;
    DesktopSession &operator=(const DesktopSession &) = delete;

    // Reads the home library and shows the main window; false when the window could not be made.
    // A later failure to create a QML object quits the event loop with status 1.
    bool showMainWindow();

    DesktopApp &app() { return *m_app; }
    QQmlApplicationEngine &engine() { return *m_engine; }

private:
    std::unique_ptr<DesktopApp> m_app;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
};
