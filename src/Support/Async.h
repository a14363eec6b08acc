#pragma once

#include <QCoroTask>
#include <QCoroTimer>
#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <utility>

#include "TaskHandle.h"

// Small helpers for the coroutines of the stores and the engine.
namespace Async {

// Runs `work` after the current event-loop job, in the order of the calls, as
// long as `context` is still alive then. Coroutines start eagerly; work that
// must begin only after its caller has finished (and after work queued
// earlier) goes through here. `work` should call a coroutine member with
// everything it needs as parameters: a lambda that is itself a coroutine would
// lose its captures when it is destroyed.
template<typename Work> void startQueued(QObject *context, Work &&work)
{
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::QueuedConnection);
}

// The clock the pauses of sleep() run on. The program uses the event loop's
// timers; a test puts in a clock it moves by hand, so that a pause is judged
// by its length and not by how busy the machine is.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QCoro::Task<> sleepFor(std::chrono::milliseconds duration) = 0;
};

// Makes `clock` the one sleep() waits on from now on (nullptr: the timers
// again). The caller keeps it alive while sleeps started on it still wait.
void setClock(Clock *clock);

// Sleeps for `duration`, then tells whether the work should go on: false when
// the handle was cancelled meanwhile.
QCoro::Task<bool> sleep(std::chrono::milliseconds duration, TaskHandle handle);

} // namespace Async
