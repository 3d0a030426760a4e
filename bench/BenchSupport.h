#pragma once

// What the benchmark programs share: a person who answers no question, and a wait that keeps the
// event loop running.

#include "workspace/UserPrompts.h"

#include <QCoreApplication>

#include <functional>

namespace BenchSupport {

// Declines every question: nothing is chosen and nothing leaves the machine.
class NoPrompts final : public UserPrompts {
public:
    QCoro::Task<std::optional<QString>> chooseFolder(QString, QString, QString) override { co_return std::nullopt; }
    QCoro::Task<std::optional<QString>> chooseAudioFile(QString, QString) override { co_return std::nullopt; }
    QCoro::Task<std::optional<QString>> chooseSaveLocation(QString, QString, QString) override { co_return std::nullopt; }
    QCoro::Task<bool> confirmCloudUpload(QString, QString, QString, QString) override { co_return false; }
};

// Runs the event loop until done() holds.
inline void spin(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

} // namespace BenchSupport
