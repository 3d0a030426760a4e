#include "ScreenshotScenes.h"

#include <QDir>
#include <QGuiApplication>
#include <QMetaObject>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QCoroTimer>

#include <algorithm>
#include <map>

namespace {

std::map<QString, ScreenshotScene> &registry()
{
    static std::map<QString, ScreenshotScene> scenes;
    return scenes;
}

QQuickItem *findIn(QQuickItem *item, const QString &objectName)
{
    if (!item)
        return nullptr;
    if (item->objectName() == objectName)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findIn(child, objectName))
            return found;
    }
    return nullptr;
}

} // namespace

QQuickItem *SceneContext::find(const QString &objectName) const
{
    if (QQuickItem *found = findIn(window ? window->contentItem() : nullptr, objectName))
        return found;
    for (QWindow *other : QGuiApplication::topLevelWindows()) {
        if (auto *quick = qobject_cast<QQuickWindow *>(other); quick && quick != window) {
            if (QQuickItem *found = findIn(quick->contentItem(), objectName))
                return found;
        }
    }
    return nullptr;
}

bool SceneContext::call(const QString &objectName, const char *function, const QVariantList &arguments) const
{
    QQuickItem *item = find(objectName);
    if (!item)
        return false;
    QGenericArgument args[3];
    for (int i = 0; i < int(arguments.size()) && i < 3; ++i)
        args[i] = Q_ARG(QVariant, arguments[i]);
    return QMetaObject::invokeMethod(item, function, args[0], args[1], args[2]);
}

QString SceneContext::foreignLibrary()
{
    return QDir::home().filePath(QStringLiteral("Archive"));
}

QCoro::Task<> SceneContext::pause(int milliseconds)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(milliseconds);
    co_await timer;
}

bool ScreenshotScenes::add(ScreenshotScene scene)
{
    const QString name = scene.name;
    registry()[name] = std::move(scene);
    return true;
}

std::vector<ScreenshotScene> ScreenshotScenes::all()
{
    std::vector<ScreenshotScene> scenes;
    for (const auto &[name, scene] : registry())
        scenes.push_back(scene);
    return scenes;
}

const ScreenshotScene *ScreenshotScenes::find(const QString &name)
{
    const auto it = registry().find(name);
    return it == registry().end() ? nullptr : &it->second;
}
