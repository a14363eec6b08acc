#pragma once

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <optional>
#include <stdexcept>

// Blocks on a task in a nested event loop and hands back its result or
// rethrows its exception. QCoro 0.8's waitFor() never returns when the task
// throws after it has suspended, so the suites use this instead; it also
// gives up after `timeoutMs` so a silent server cannot hang a suite.
namespace AwaitTaskDetail {

template<typename T> struct Outcome
{
    std::optional<T> value;
    std::exception_ptr error;
    bool done = false;
};

template<> struct Outcome<void>
{
    std::exception_ptr error;
    bool done = false;
};

template<typename T> QCoro::Task<> capture(QCoro::Task<T> task, Outcome<T> &outcome, QEventLoop &loop)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
        } else {
            T value = co_await std::move(task);
            outcome.value.emplace(std::move(value));
        }
    } catch (...) {
        outcome.error = std::current_exception();
    }
    outcome.done = true;
    loop.quit();
}

} // namespace AwaitTaskDetail

template<typename T> T awaitTask(QCoro::Task<T> task, int timeoutMs = 30'000)
{
    QEventLoop loop;
    AwaitTaskDetail::Outcome<T> outcome;
    AwaitTaskDetail::capture(std::move(task), outcome, loop);
    if (!outcome.done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!outcome.done)
        throw std::runtime_error("the task did not finish in time");
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome.value);
}
