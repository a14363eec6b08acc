// The engine's Up Next list: clearing it, and removing and moving its songs,
// with the unshuffled order kept in step while shuffling.
#include "PlayerController.h"

#include <QHash>

#include <algorithm>
#include <functional>

namespace {

// Distinct offsets, highest first.
QList<int> descendingOffsets(const QList<int> &offsets)
{
    QList<int> sorted = offsets;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

} // namespace

void PlayerController::clearUpNext()
{
    if (!m_currentIndex)
        return;
    const QList<Song> removed = upNext();
    setQueue(m_queue.mid(0, std::min<qsizetype>(*m_currentIndex + 1, m_queue.size())));
    if (m_unshuffledQueue)
        m_unshuffledQueue = mirroringRemoval(removed, *m_unshuffledQueue);
    syncPreload();
}

void PlayerController::removeUpcoming(const QList<int> &offsets)
{
    if (!m_currentIndex)
        return;
    QList<Song> queue = m_queue;
    QList<Song> removed;
    for (int offset : descendingOffsets(offsets)) {
        const qsizetype index = qsizetype(*m_currentIndex) + 1 + offset;
        if (index < 0 || index >= queue.size())
            continue;
        removed.append(queue.takeAt(index));
    }
    setQueue(queue);
    if (m_unshuffledQueue)
        m_unshuffledQueue = mirroringRemoval(removed, *m_unshuffledQueue);
    syncPreload();
}

void PlayerController::moveUpcoming(const QList<int> &offsets, int destination)
{
    if (!m_currentIndex)
        return;
    const QList<Song> upcoming = upNext();
    // The moved songs keep their order and land before the song that stood at
    // `destination`.
    QList<int> moving = descendingOffsets(offsets);
    moving.erase(std::remove_if(moving.begin(), moving.end(),
                     [&](int offset) { return offset < 0 || offset >= upcoming.size(); }),
        moving.end());
    std::reverse(moving.begin(), moving.end());
    const int target = std::clamp(destination, 0, int(upcoming.size()));
    QList<Song> moved;
    QList<Song> kept;
    int insertAt = target;
    for (int i = 0; i < upcoming.size(); ++i) {
        if (moving.contains(i)) {
            moved.append(upcoming.at(i));
            if (i < target)
                --insertAt;
        } else {
            kept.append(upcoming.at(i));
        }
    }
    for (qsizetype i = 0; i < moved.size(); ++i)
        kept.insert(insertAt + i, moved.at(i));
    setQueue(m_queue.mid(0, *m_currentIndex + 1) + kept);
    syncPreload();
}

QList<Song> PlayerController::mirroringRemoval(const QList<Song> &removed, const QList<Song> &list)
{
    QHash<QString, int> counts;
    for (const Song &song : removed)
        ++counts[song.id];
    QList<Song> kept;
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        int &count = counts[list.at(i).id];
        if (count > 0)
            --count;
        else
            kept.prepend(list.at(i));
    }
    return kept;
}
