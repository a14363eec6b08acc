#include "Async.h"

namespace Async {

QCoro::Task<bool> sleep(std::chrono::milliseconds duration, TaskHandle handle)
{
    co_await QCoro::sleepFor(duration);
    co_return !handle.isCancelled();
}

} // namespace Async
