#include "Async.h"

namespace Async {

namespace {

Clock *g_clock = nullptr;

} // namespace

void setClock(Clock *clock)
{
    g_clock = clock;
}

QCoro::Task<bool> sleep(std::chrono::milliseconds duration, TaskHandle handle)
{
    if (Clock *clock = g_clock)
        co_await clock->sleepFor(duration);
    else
        co_await QCoro::sleepFor(duration);
    co_return !handle.isCancelled();
}

} // namespace Async
