#pragma once

#include <QCoroTask>
#include <QString>

class AudioController;
class QQmlApplicationEngine;
class Workspace;

// Drives the main window into one registered scene and saves a picture of it (hushnote-scenes'
// --screenshot option, used by scripts/screenshots).
namespace ScreenshotRunner {
// Prints every scene's name and library ("empty" or "sample"), one per line.
void list();
// Resolves with the program's exit status: 0 when the picture was saved.
QCoro::Task<int> run(QString scene, QString output, QQmlApplicationEngine *engine, Workspace *workspace,
                     AudioController *audio);
} // namespace ScreenshotRunner
