#include "QueuePlayer.h"

QueuePlayerItemPtr QueuePlayer::currentItem() const
{
    const QList<QueuePlayerItemPtr> list = items();
    return list.isEmpty() ? QueuePlayerItemPtr {} : list.first();
}

bool QueuePlayer::canInsert(const QueuePlayerItemPtr &item, const QueuePlayerItemPtr &after) const
{
    const QList<QueuePlayerItemPtr> list = items();
    if (!item || list.size() >= MaxItems || list.contains(item))
        return false;
    return !after || list.last() == after;
}
