#pragma once

#include <QPointer>
#include <memory>

class QNetworkReply;

// A handle on one unit of asynchronous work. Copies share one state, so the
// owner can keep a copy, hand another to the coroutine and later cancel it.
// Handles compare by identity: two handles are equal only when they are copies
// of the same handle. A default-constructed handle is null and never cancelled.
//
// Coroutines check isCancelled() after each wait where the work must stop.
// A reply registered with track() is aborted by cancel(), which resumes the
// coroutine waiting on it at once.
class TaskHandle
{
public:
    TaskHandle() = default;

    static TaskHandle create();

    bool isNull() const { return !m_state; }
    bool isCancelled() const;
    void cancel();

    // Registers the reply in flight for this work (replacing an earlier one).
    // When the handle is already cancelled the reply is aborted immediately.
    void track(QNetworkReply *reply) const;
    void untrack(QNetworkReply *reply) const;

    friend bool operator==(const TaskHandle &a, const TaskHandle &b) { return a.m_state == b.m_state; }

private:
    struct State
    {
        bool cancelled = false;
        QPointer<QNetworkReply> reply;
    };
    std::shared_ptr<State> m_state;
};
