#include "ArtworkLoadQueue.h"

#include <algorithm>

ArtworkLoadQueue::ArtworkLoadQueue(int maxRunning, QObject *parent)
    : QObject(parent)
    , m_maxRunning(std::max(1, maxRunning))
{ }

void ArtworkLoadQueue::enqueue(QObject *owner, Job job)
{
    m_pending.append({QPointer<QObject>(owner), std::move(job)});
    pump();
}

void ArtworkLoadQueue::pump()
{
    // A job that finishes at once frees its slot inside this loop; the loop
    // goes on instead of recursing once per waiting cover.
    if (m_pumping)
        return;
    m_pumping = true;
    while (m_running < m_maxRunning && !m_pending.isEmpty()) {
        Entry entry = m_pending.takeLast();
        if (!entry.owner)
            continue;
        ++m_running;
        run(std::move(entry.job));
    }
    m_pumping = false;
}

QCoro::Task<void> ArtworkLoadQueue::run(Job job)
{
    QPointer<ArtworkLoadQueue> self(this);
    co_await job();
    if (!self)
        co_return;
    --self->m_running;
    self->pump();
}
