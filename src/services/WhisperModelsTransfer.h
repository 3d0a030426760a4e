#pragma once

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <stop_token>

// The network half of a model download: streams one file from the hub to disk.
namespace WhisperModelsTransfer {

// Fetches url into the open file fd, following redirects. With an offset above 0 it asks only for
// the bytes from there on (a range request) and appends them when the hub answers 206 with exactly
// that range; an answer of 200 replaces the file's content with the whole body. Any other answer
// to a range request (416, another range) returns false with the file untouched: the caller asks
// again from 0. The body is written as it arrives and never held in memory; a file that would
// grow past expectedSize is emptied. progress receives the file's length so far. Runs on the
// calling thread's event loop. Throws AppFailure (bad status, time-out, oversized body),
// SystemError (transport or disk) or Cancelled; the bytes written stay in the file.
QCoro::Task<bool> fetch(QUrl url, int fd, qint64 offset, qint64 expectedSize, std::chrono::milliseconds idleLimit,
                        std::chrono::milliseconds wholeLimit, std::stop_token stop,
                        std::function<void(qint64)> progress);

} // namespace WhisperModelsTransfer
