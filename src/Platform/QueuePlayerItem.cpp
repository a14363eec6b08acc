#include "QueuePlayerItem.h"

#include <cmath>
#include <limits>

QueuePlayerItem::QueuePlayerItem(QUrl url)
    : m_url(std::move(url))
    , m_duration(std::numeric_limits<double>::quiet_NaN())
{ }

void QueuePlayerItem::setStatus(Status status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged(status);
}

void QueuePlayerItem::setDuration(double seconds)
{
    if (std::isnan(seconds) ? std::isnan(m_duration) : seconds == m_duration)
        return;
    m_duration = seconds;
    Q_EMIT durationChanged();
}
