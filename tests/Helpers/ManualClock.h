#pragma once

#include <QCoroTask>
#include <QList>

#include <algorithm>
#include <chrono>
#include <coroutine>

#include "Support/Async.h"

// The clock of the program's pauses (Async::sleep), moved only by the test:
// a pause ends when the clock has been moved by its full length, and what
// runs after it has run when advance() returns. While it exists every pause
// of the process waits on it, also those the test does not look at.
class ManualClock : public Async::Clock
{
public:
    using Duration = std::chrono::milliseconds;

    ManualClock() { Async::setClock(this); }
    ~ManualClock() override { Async::setClock(nullptr); }
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    QCoro::Task<> sleepFor(Duration duration) override { co_await Wait {this, m_now + duration}; }

    // Moves the clock on and wakes the pauses due by then, the earliest
    // first (those due together in the order they began).
    void advance(Duration step)
    {
        m_now += step;
        for (;;) {
            const auto due = std::min_element(m_sleepers.begin(), m_sleepers.end(),
                [](const Sleeper &a, const Sleeper &b) { return a.deadline < b.deadline; });
            if (due == m_sleepers.end() || due->deadline > m_now)
                return;
            const std::coroutine_handle<> waiting = due->waiting;
            m_sleepers.erase(due);
            waiting.resume();
        }
    }

private:
    struct Sleeper
    {
        Duration deadline;
        std::coroutine_handle<> waiting;
    };

    struct Wait
    {
        ManualClock *clock;
        Duration deadline;

        bool await_ready() const noexcept { return clock->m_now >= deadline; }
        void await_suspend(std::coroutine_handle<> waiting) const
        {
            clock->m_sleepers.append({deadline, waiting});
        }
        void await_resume() const noexcept { }
    };

    Duration m_now {0};
    QList<Sleeper> m_sleepers;
};
