#pragma once

#include <QCoroTask>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class AudioController;
class QQmlApplicationEngine;
class QQuickItem;
class QQuickWindow;
class Workspace;

// The scenes `hushnote-scenes --screenshot NAME` can show: each drives the real main window, on the
// library scripts/screenshots prepared, into one state worth looking at. Scenes register
// themselves from any source file named *Scenes.cpp (those are linked into hushnote-scenes only):
//
//     HUSHNOTE_SCREENSHOT_SCENE("settings-general", ScreenshotScene::Library::Sample,
//                               [](SceneContext context) -> QCoro::Task<> { ... co_return; });
//
// The picture is taken once the driver has finished, the workspace is idle and the window has
// drawn a few more frames.
struct SceneContext {
    QQuickWindow *window = nullptr;
    QQmlApplicationEngine *engine = nullptr;
    Workspace *workspace = nullptr;
    AudioController *audio = nullptr;

    // The first item with this objectName anywhere in the main window (or in a window QML made).
    QQuickItem *find(const QString &objectName) const;
    // Calls a QML function of the item with that objectName; false when there is none.
    bool call(const QString &objectName, const char *function, const QVariantList &arguments = {}) const;
    // The foreign library scripts/screenshots prepares beside the home one (~/Archive).
    static QString foreignLibrary();
    // Lets the event loop run (animations end, popups open).
    static QCoro::Task<> pause(int milliseconds);
};

struct ScreenshotScene {
    // The library the scene starts on: an empty home, or the sample home library.
    enum class Library { Empty, Sample };
    using Driver = std::function<QCoro::Task<>(SceneContext)>;

    QString name;
    Library library = Library::Sample;
    Driver drive;
    // Saved from this window instead of the main one (a settings scene names its window's
    // objectName); empty for the main window.
    QString windowObjectName;
    // False for a scene that shows work still running (the processing popover during a job): the
    // picture is then taken without waiting for the workspace to become idle.
    bool waitsForIdle = true;
};

namespace ScreenshotScenes {
// Adds a scene; returns true so it can initialise a static.
bool add(ScreenshotScene scene);
// Every scene, in name order.
std::vector<ScreenshotScene> all();
const ScreenshotScene *find(const QString &name);
} // namespace ScreenshotScenes

#define HUSHNOTE_SCENE_CONCAT2(a, b) a##b
#define HUSHNOTE_SCENE_CONCAT(a, b) HUSHNOTE_SCENE_CONCAT2(a, b)
#define HUSHNOTE_SCREENSHOT_SCENE(...)                                                                      \
    [[maybe_unused]] static const bool HUSHNOTE_SCENE_CONCAT(registeredScene, __LINE__) =                \
        ScreenshotScenes::add(ScreenshotScene{__VA_ARGS__})
