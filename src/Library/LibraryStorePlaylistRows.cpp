#include "LibraryStore.h"

#include <algorithm>

// MARK: - The rows our own playlist writes took, and those still to come

namespace {

// The rows of `rows` that are in `taken` or `assumed`, bottom first.
QList<int> takenOf(const QList<quint64> &rows, const QList<quint64> &taken, const QList<quint64> &assumed)
{
    QList<int> found;
    for (qsizetype row = rows.size() - 1; row >= 0; --row) {
        const quint64 id = rows.at(row);
        if (id != 0 && (taken.contains(id) || assumed.contains(id)))
            found.append(int(row));
    }
    return found;
}

} // namespace

bool LibraryStore::followLandedRemovals(const QString &playlistId, const QList<quint64> &rows, int &row,
    QStringList &songIds, const QList<quint64> &assumed) const
{
    const QList<int> taken = takenOf(rows, m_takenRows.value(playlistId), assumed);
    if (taken.contains(row))
        return false;
    for (int removed : taken) {
        if (removed >= songIds.size())
            continue;
        songIds.removeAt(removed);
        if (removed < row)
            --row;
    }
    return true;
}

QStringList LibraryStore::withoutTakenRows(const QString &playlistId, const QList<quint64> &rows,
    QStringList songIds, const QList<quint64> &assumed) const
{
    for (int removed : takenOf(rows, m_takenRows.value(playlistId), assumed)) {
        if (removed < songIds.size())
            songIds.removeAt(removed);
    }
    return songIds;
}

void LibraryStore::noteLandedRemoval(const QString &playlistId, const QList<quint64> &rows, int index)
{
    const quint64 row = rows.value(index);
    if (row == 0)
        return;
    // A page shows the list again soon after a removal, and names its rows
    // as before: only the latest few are looked at.
    constexpr qsizetype kept = 64;
    QList<quint64> &taken = m_takenRows[playlistId];
    taken.append(row);
    if (taken.size() > kept)
        taken.remove(0, taken.size() - kept);
}

QStringList LibraryStore::ownEditsOver(const QString &id, QStringList held, QList<Song> *added) const
{
    const auto it = m_playlistWrites.constFind(id);
    if (it == m_playlistWrites.constEnd())
        return held;
    // Each write in the order of its turn, as it will find the list: the
    // removals before it have taken their rows by then.
    QList<quint64> removedBefore;
    for (int ticket = it->finished + 1; ticket <= it->issued; ++ticket) {
        if (const auto removal = it->removals.constFind(ticket); removal != it->removals.constEnd()) {
            int row = removal->index;
            QStringList seen = removal->songIds;
            if (followLandedRemovals(id, removal->rows, row, seen, removedBefore)) {
                // A copy the server holds no more (this removal reached it
                // already, or another device's) hides nothing.
                if (const std::optional<int> position = removalRetryTarget(row, seen, held).position)
                    held.removeAt(*position);
            }
            removedBefore.append(removal->rows.value(removal->index));
        } else if (const auto order = it->waitingOrders.constFind(ticket);
                   order != it->waitingOrders.constEnd()) {
            held = orderOver(withoutTakenRows(id, order->rows, order->songIds, removedBefore), held);
        } else if (const auto add = it->adds.constFind(ticket); add != it->adds.constEnd()) {
            // The songs go at the end, as far as the server lacks them when
            // the add has read the list already.
            const QStringList ids = songIdsOf(add->songs);
            held.append(add->before ? missingCopies(ids, *add->before, held) : ids);
            if (added)
                added->append(add->songs);
        } else if (ticket == it->finished + 1 && it->sendingOrder) {
            held = orderOver(*it->sendingOrder, held);
        }
    }
    return held;
}
