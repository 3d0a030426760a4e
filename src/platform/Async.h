#pragma once

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <QCoroFuture>
#include <QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// A serial executor: one worker thread that runs submitted work one piece at a time, in order.
// The home-library store, the key vault and the model store each own one.
class SerialExecutor final {
public:
    SerialExecutor()
    {
        m_pool.setMaxThreadCount(1);
        m_pool.setExpiryTimeout(-1);
    }
    ~SerialExecutor() { m_pool.waitForDone(); }
    SerialExecutor(const SerialExecutor &) = delete;
    SerialExecutor &operator=(const SerialExecutor &) = delete;

    QThreadPool *pool() { return &m_pool; }

private:
    QThreadPool m_pool;
};

namespace AsyncDetail {

template<typename R>
struct Outcome {
    std::optional<R> value;
    std::exception_ptr error;
};

template<>
struct Outcome<void> {
    std::exception_ptr error;
};

template<typename F>
auto capture(F &f) -> Outcome<std::invoke_result_t<F &>>
{
    using R = std::invoke_result_t<F &>;
    Outcome<R> outcome;
    try {
        if constexpr (std::is_void_v<R>)
            f();
        else
            outcome.value.emplace(f());
    } catch (...) {
        outcome.error = std::current_exception();
    }
    return outcome;
}

} // namespace AsyncDetail

// Runs f on the given pool (nullptr: the global pool) and resumes the awaiting coroutine on its own
// thread with f's result; whatever f throws is rethrown to the awaiter unchanged.
template<typename F>
QCoro::Task<std::invoke_result_t<F &>> runOn(QThreadPool *pool, F f)
{
    using R = std::invoke_result_t<F &>;
    QThreadPool *target = pool ? pool : QThreadPool::globalInstance();
    auto future = QtConcurrent::run(target, [f = std::move(f)]() mutable { return AsyncDetail::capture(f); });
    AsyncDetail::Outcome<R> outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<R>)
        co_return std::move(*outcome.value);
}

template<typename F>
QCoro::Task<std::invoke_result_t<F &>> runInBackground(F f)
{
    return runOn(nullptr, std::move(f));
}
