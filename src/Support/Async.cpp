#include "Async.h"

namespace Async {

QCoro::Task<std::exception_ptr> failureOf(QCoro::Task<> task)
{
    std::exception_ptr failure;
    try {
        co_await std::move(task);
    } catch (...) {
        failure = std::current_exception();
    }
    co_return failure;
}

QCoro::Task<bool> sleep(std::chrono::milliseconds duration, TaskHandle handle)
{
    co_await QCoro::sleepFor(duration);
    co_return !handle.isCancelled();
}

} // namespace Async
