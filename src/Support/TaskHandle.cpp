#include "TaskHandle.h"

#include <QNetworkReply>

TaskHandle TaskHandle::create()
{
    TaskHandle handle;
    handle.m_state = std::make_shared<State>();
    return handle;
}

bool TaskHandle::isCancelled() const
{
    return m_state && m_state->cancelled;
}

void TaskHandle::cancel()
{
    if (!m_state || m_state->cancelled)
        return;
    m_state->cancelled = true;
    if (QPointer<QNetworkReply> reply = m_state->reply) {
        m_state->reply = nullptr;
        if (reply->isRunning())
            reply->abort();
    }
}

void TaskHandle::track(QNetworkReply *reply) const
{
    if (!m_state || !reply)
        return;
    if (m_state->cancelled) {
        reply->abort();
        return;
    }
    m_state->reply = reply;
}

void TaskHandle::untrack(QNetworkReply *reply) const
{
    if (m_state && m_state->reply == reply)
        m_state->reply = nullptr;
}
