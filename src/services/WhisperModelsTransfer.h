#pragma once

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <stop_token>

// The network half of a model download: streams one file from the hub to disk.
namespace WhisperModelsTransfer {

// Fetches url into a new file at path, following redirects, and succeeds only on a final HTTP 200.
// The body is written as it arrives and never held in memory; a body longer than expectedSize is
// cut off. progress receives the bytes written so far. Runs on the calling thread's event loop.
// Throws AppFailure (bad status, time-out, oversized body), SystemError (transport or disk) or
// Cancelled. The file is left for the caller to remove.
QCoro::Task<> fetch(QUrl url, QString path, qint64 expectedSize, std::chrono::milliseconds idleLimit,
                    std::chrono::milliseconds wholeLimit, std::stop_token stop,
                    std::function<void(qint64)> progress);

} // namespace WhisperModelsTransfer
