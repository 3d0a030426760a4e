#pragma once

#include <QCoroTask>

class QQmlApplicationEngine;
class Workspace;

// hushnote-scenes' --benchmark option (bench/window.sh): quits once the main window has shown its
// first frame, or then types a few search queries and prints how long each took to reach the
// screen.
namespace WindowBenchmark {
QCoro::Task<> run(QQmlApplicationEngine *engine, Workspace *workspace, bool keystrokes);
}
