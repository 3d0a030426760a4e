#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QCoroTask>

#include <exception>
#include <functional>
#include <optional>

namespace TestSupport {

namespace Detail {
template<typename T>
QCoro::Task<> drive(QCoro::Task<T> task, std::optional<T> *result, std::exception_ptr *error, bool *done,
                    QEventLoop *loop)
{
    try {
        result->emplace(co_await task);
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

inline QCoro::Task<> driveVoid(QCoro::Task<> task, std::exception_ptr *error, bool *done, QEventLoop *loop)
{
    try {
        co_await task;
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}
} // namespace Detail

// Runs the event loop until the task ends; returns its value or rethrows what it threw.
template<typename T>
T runTask(QCoro::Task<T> task)
{
    QEventLoop loop;
    std::optional<T> result;
    std::exception_ptr error;
    bool done = false;
    auto driver = Detail::drive<T>(std::move(task), &result, &error, &done, &loop);
    if (!done)
        loop.exec();
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

inline void runTask(QCoro::Task<> task)
{
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    auto driver = Detail::driveVoid(std::move(task), &error, &done, &loop);
    if (!done)
        loop.exec();
    if (error)
        std::rethrow_exception(error);
}

// Processes events until the condition holds. The time limit only guards against a hang; tests
// never assert on how long something took.
inline bool waitUntil(const std::function<bool()> &condition, int guardMs = 30000)
{
    QDeadlineTimer deadline(guardMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

} // namespace TestSupport
