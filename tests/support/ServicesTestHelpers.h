#pragma once

// Small helpers shared by the service and processing tests: file bytes and the message an
// operation fails with.

#include "platform/Errors.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <gtest/gtest.h>

namespace ServicesTest {

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// What the operation ends with, as the person would read it: "<cancelled>" for a stop,
// "<no failure>" when it succeeds.
template<typename F>
QString failureOf(F &&operation)
{
    try {
        operation();
    } catch (const Cancelled &) {
        return QStringLiteral("<cancelled>");
    } catch (...) {
        return describeCurrentError();
    }
    return QStringLiteral("<no failure>");
}

// The AppFailure the task ends with; fails the test when it ends otherwise.
template<typename T>
AppFailure appFailureOf(QCoro::Task<T> task)
{
    try {
        TestSupport::runTask(std::move(task));
    } catch (const AppFailure &failure) {
        return failure;
    } catch (...) {
        ADD_FAILURE() << "unexpected error: " << describeCurrentError().toStdString();
        return AppFailure(QString());
    }
    ADD_FAILURE() << "the task succeeded";
    return AppFailure(QString());
}

} // namespace ServicesTest
