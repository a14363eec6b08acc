#include "ServerUnavailableTracker.h"

void ServerUnavailableTracker::report(QObject *fallback, bool showsNotice, bool visible)
{
    if (!fallback)
        return;
    if (!m_fallbacks.contains(fallback))
        connect(fallback, &QObject::destroyed, this, [this, fallback] { unregister(fallback); });
    set(fallback, showsNotice && visible);
}

void ServerUnavailableTracker::unregister(QObject *fallback)
{
    const auto it = m_fallbacks.constFind(fallback);
    if (it == m_fallbacks.cend())
        return;
    const bool counted = *it;
    m_fallbacks.erase(it);
    disconnect(fallback, &QObject::destroyed, this, nullptr);
    if (counted && --m_showing == 0)
        Q_EMIT serverUnavailableShownChanged();
}

void ServerUnavailableTracker::set(QObject *fallback, bool counts)
{
    bool &entry = m_fallbacks[fallback];
    if (entry == counts)
        return;
    entry = counts;
    const bool before = serverUnavailableShown();
    m_showing += counts ? 1 : -1;
    if (before != serverUnavailableShown())
        Q_EMIT serverUnavailableShownChanged();
}
