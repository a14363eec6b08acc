#pragma once

#include <QCoroTask>
#include <QEventLoop>

#include <exception>
#include <optional>
#include <type_traits>

// Runs a task to its end on a local event loop and returns its result,
// rethrowing what it threw. QCoro::waitFor never returns when the awaited task
// throws, so tests use this instead.
namespace TestAwait {

namespace detail {

template<typename T>
QCoro::Task<> drive(QCoro::Task<T> task, std::optional<T> *result, std::exception_ptr *error, bool *done,
    QEventLoop *loop)
{
    try {
        T value = co_await std::move(task);
        result->emplace(std::move(value));
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

inline QCoro::Task<> driveVoid(QCoro::Task<> task, std::exception_ptr *error, bool *done, QEventLoop *loop)
{
    try {
        co_await std::move(task);
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

} // namespace detail

template<typename T>
T await(QCoro::Task<T> task)
{
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    if constexpr (std::is_void_v<T>) {
        detail::driveVoid(std::move(task), &error, &done, &loop);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<T> result;
        detail::drive(std::move(task), &result, &error, &done, &loop);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

} // namespace TestAwait
