#include "KeyedLoad.h"

bool KeyedLoad::Ticket::isCurrent() const
{
    const std::shared_ptr<quint64> generation = m_generation.lock();
    return m_owner && generation && *generation == m_mine && !m_handle.isCancelled();
}

KeyedLoad::KeyedLoad(QObject *owner)
    : m_owner(owner)
    , m_generation(std::make_shared<quint64>(0))
{ }

KeyedLoad::~KeyedLoad()
{
    cancel();
}

bool KeyedLoad::activate(const QVariant &key, const Start &start)
{
    if (m_key && *m_key == key)
        return false;
    cancel();
    m_key = key;
    m_handle = TaskHandle::create();
    Ticket ticket;
    ticket.m_owner = m_owner;
    ticket.m_generation = m_generation;
    ticket.m_mine = *m_generation;
    ticket.m_handle = m_handle;
    // The task runs on by itself; its ticket tells it when to stop.
    start(std::move(ticket));
    return true;
}

void KeyedLoad::deactivate()
{
    cancel();
    m_key.reset();
}

void KeyedLoad::cancel()
{
    ++*m_generation;
    m_handle.cancel();
    m_handle = {};
}
