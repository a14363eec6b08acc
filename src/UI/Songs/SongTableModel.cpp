#include "SongTableModel.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "Support/Format.h"

namespace {

const char *const Headers[] = {"Title", "Artist", "Album", "Time"};

} // namespace

SongTableModel::SongTableModel(const QLocale &locale, QObject *parent)
    : QAbstractTableModel(parent)
    , m_collator(SongSort::collator(locale))
{ }

int SongTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int SongTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant SongTableModel::data(const QModelIndex &index, int role) const
{
    const Song *song = songAt(index.row());
    if (!song || !index.isValid() || index.column() >= 4)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == int(SongColumn::Time))
            return Format::paddedDuration(song->duration);
        return SongSort::textValue(*song, SongColumn(index.column()));
    case SongIdRole:
        return song->id;
    case SelectedRole:
        return m_selection.contains(song->id);
    case MarkerRole:
        if (m_currentId && *m_currentId == song->id)
            return m_playing ? QStringLiteral("speaker.wave.2.fill") : QStringLiteral("speaker.fill");
        return QString();
    default:
        return {};
    }
}

QVariant SongTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 4)
        return {};
    return tr(Headers[section]);
}

QHash<int, QByteArray> SongTableModel::roleNames() const
{
    return {
        {Qt::DisplayRole, "display"},
        {SongIdRole, "songId"},
        {SelectedRole, "rowSelected"},
        {MarkerRole, "marker"},
    };
}

const Song *SongTableModel::songAt(int row) const
{
    if (row < 0 || row >= m_order.size())
        return nullptr;
    return &m_source.at(m_order.at(row));
}

int SongTableModel::rowOf(const QString &id) const
{
    const int index = m_sourceOfId.value(id, -1);
    return index < 0 || size_t(index) >= m_rowOfSource.size() ? -1 : m_rowOfSource[index];
}

QList<Song> SongTableModel::displayedSongs() const
{
    QList<Song> result;
    result.reserve(m_order.size());
    for (int index : m_order)
        result.append(m_source.at(index));
    return result;
}

QList<Song> SongTableModel::songsOf(const QSet<QString> &ids) const
{
    QList<int> rows;
    for (const QString &id : ids) {
        const int row = rowOf(id);
        if (row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    QList<Song> result;
    for (int row : rows)
        result.append(*songAt(row));
    return result;
}

int SongTableModel::topmostRow(const QSet<QString> &ids) const
{
    int best = -1;
    for (const QString &id : ids) {
        const int row = rowOf(id);
        if (row >= 0 && (best < 0 || row < best))
            best = row;
    }
    return best;
}

QList<int> SongTableModel::sortedOrder(const QList<Song> &source, std::vector<Keys> &keys) const
{
    QList<int> order(source.size());
    std::iota(order.begin(), order.end(), 0);
    if (m_sortOrder.isEmpty())
        return order;

    // Keys first, then one stable sort comparing precomputed values only.
    std::vector<qint64> seconds;
    for (const SongSortKey &key : m_sortOrder) {
        if (key.column == SongColumn::Time) {
            if (seconds.empty()) {
                seconds.reserve(source.size());
                for (const Song &song : source)
                    seconds.push_back(SongSort::durationSeconds(song));
            }
            continue;
        }
        const int column = int(key.column);
        for (qsizetype i = 0; i < source.size(); ++i) {
            if (!keys[i][column])
                keys[i][column] = m_collator.sortKey(SongSort::textValue(source.at(i), key.column));
        }
    }

    const SongSortOrder sortOrder = m_sortOrder;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (const SongSortKey &key : sortOrder) {
            int c = 0;
            if (key.column == SongColumn::Time)
                c = seconds[a] < seconds[b] ? -1 : seconds[a] > seconds[b] ? 1 : 0;
            else
                c = keys[a][int(key.column)]->compare(*keys[b][int(key.column)]);
            if (c != 0)
                return key.ascending ? c < 0 : c > 0;
        }
        return false;
    });
    return order;
}

void SongTableModel::rebuildRowIndex()
{
    m_rowOfSource.assign(m_source.size(), -1);
    for (int row = 0; row < m_order.size(); ++row)
        m_rowOfSource[m_order.at(row)] = row;
}

void SongTableModel::applyOrder(const QList<int> &newOrder)
{
    const QModelIndexList before = persistentIndexList();
    QStringList ids;
    for (const QModelIndex &index : before)
        ids.append(m_source.at(m_order.at(index.row())).id);
    m_order = newOrder;
    rebuildRowIndex();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = rowOf(ids.at(i));
        after.append(row < 0 ? QModelIndex() : index(row, before.at(i).column()));
    }
    changePersistentIndexList(before, after);
}

void SongTableModel::setSortOrder(const SongSortOrder &order)
{
    if (order == m_sortOrder)
        return;
    m_sortOrder = order;
    Q_EMIT sortOrderChanged();
    if (m_order.isEmpty())
        return;
    const QList<int> newOrder = sortedOrder(m_source, m_keys);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    applyOrder(newOrder);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SongTableModel::setSongs(const QList<Song> &songs)
{
    QHash<QString, int> newIndex;
    newIndex.reserve(songs.size());
    for (qsizetype i = 0; i < songs.size(); ++i)
        newIndex.insert(songs.at(i).id, int(i));
    // Where each song of the shown list is in the new one (-1: gone); keys
    // carry over for songs whose sorted texts are unchanged.
    std::vector<int> newOfOld(m_source.size(), -1);
    std::vector<Keys> newKeys(songs.size());
    qsizetype common = 0;
    for (qsizetype old = 0; old < m_source.size(); ++old) {
        const int index = newIndex.value(m_source.at(old).id, -1);
        newOfOld[old] = index;
        if (index < 0)
            continue;
        ++common;
        for (int column = 0; column < 3; ++column) {
            if (SongSort::textValue(m_source.at(old), SongColumn(column))
                == SongSort::textValue(songs.at(index), SongColumn(column)))
                newKeys[index][column] = m_keys[old][column];
        }
    }
    const QList<int> newOrder = sortedOrder(songs, newKeys);
    const bool newUnique = newIndex.size() == songs.size();
    const bool oldUnique = m_sourceOfId.size() == m_source.size();
    // Takes the new list; the displayed order is set by the caller.
    const auto adopt = [&] {
        m_source = songs;
        m_keys = std::move(newKeys);
        m_sourceOfId = std::move(newIndex);
    };
    const int oldCount = int(m_order.size());

    if (oldCount == 0 || songs.isEmpty()) {
        // Filling an empty table or emptying it: one insert or one removal.
        if (oldCount > 0) {
            beginRemoveRows({}, 0, oldCount - 1);
            m_order.clear();
            adopt();
            rebuildRowIndex();
            endRemoveRows();
        } else if (!songs.isEmpty()) {
            beginInsertRows({}, 0, int(songs.size()) - 1);
            adopt();
            m_order = newOrder;
            rebuildRowIndex();
            endInsertRows();
        } else {
            adopt();
            rebuildRowIndex();
        }
    } else if (!newUnique || !oldUnique || common == 0) {
        beginResetModel();
        adopt();
        m_order = newOrder;
        rebuildRowIndex();
        endResetModel();
    } else {
        // Rows that left the list go first, bottom up in runs.
        for (int row = int(m_order.size()) - 1; row >= 0;) {
            if (newOfOld[m_order.at(row)] >= 0) {
                --row;
                continue;
            }
            int first = row;
            while (first > 0 && newOfOld[m_order.at(first - 1)] < 0)
                --first;
            beginRemoveRows({}, first, row);
            m_order.remove(first, row - first + 1);
            endRemoveRows();
            row = first - 1;
        }
        // The rows that stay now point into the new list; new songs are
        // added at the end, then one layout change puts them in order.
        QList<int> kept;
        kept.reserve(songs.size());
        for (int index : std::as_const(m_order))
            kept.append(newOfOld[index]);
        std::vector<bool> isKept(songs.size(), false);
        for (int index : std::as_const(kept))
            isKept[index] = true;
        QList<int> added;
        for (int index = 0; index < songs.size(); ++index) {
            if (!isKept[index])
                added.append(index);
        }
        Q_EMIT layoutAboutToBeChanged();
        adopt();
        m_order = kept;
        rebuildRowIndex();
        Q_EMIT layoutChanged();
        if (!added.isEmpty()) {
            beginInsertRows({}, int(m_order.size()), int(m_order.size() + added.size() - 1));
            m_order.append(added);
            rebuildRowIndex();
            endInsertRows();
        }
        if (m_order != newOrder) {
            Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
            applyOrder(newOrder);
            Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        }
    }

    // The selection keeps only songs still in the list.
    QSet<QString> kept;
    for (const QString &id : std::as_const(m_selection)) {
        if (m_sourceOfId.contains(id))
            kept.insert(id);
    }
    if (kept.size() != m_selection.size()) {
        m_selection = kept;
        Q_EMIT selectionChanged();
    }
    if (oldCount != m_order.size())
        Q_EMIT countChanged();
}

int SongTableModel::sortColumn() const
{
    return m_sortOrder.isEmpty() ? -1 : int(m_sortOrder.first().column);
}

bool SongTableModel::sortAscending() const
{
    return m_sortOrder.isEmpty() || m_sortOrder.first().ascending;
}

void SongTableModel::emitRowChanged(int row, const QList<int> &roles)
{
    if (row >= 0)
        Q_EMIT dataChanged(index(row, 0), index(row, 3), roles);
}

void SongTableModel::setSelection(const QSet<QString> &ids)
{
    if (ids == m_selection)
        return;
    const QSet<QString> old = std::exchange(m_selection, ids);
    for (const QString &id : old) {
        if (!ids.contains(id))
            emitRowChanged(rowOf(id), {SelectedRole});
    }
    for (const QString &id : ids) {
        if (!old.contains(id))
            emitRowChanged(rowOf(id), {SelectedRole});
    }
    Q_EMIT selectionChanged();
}

void SongTableModel::click(int row, int modifiers)
{
    const Song *song = songAt(row);
    if (!song) {
        clearSelection();
        return;
    }
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const int anchor = rowOf(m_anchorId);
    m_cursorId = song->id;
    if (shift && anchor >= 0) {
        QSet<QString> ids = ctrl ? m_selection : QSet<QString>();
        for (int r = std::min(anchor, row); r <= std::max(anchor, row); ++r)
            ids.insert(songAt(r)->id);
        setSelection(ids); // the anchor stays for the next Shift click
        return;
    }
    if (ctrl) {
        QSet<QString> ids = m_selection;
        if (!ids.remove(song->id))
            ids.insert(song->id);
        m_anchorId = song->id;
        setSelection(ids);
        return;
    }
    m_anchorId = song->id;
    setSelection({song->id});
}

int SongTableModel::moveCursor(int step, int modifiers)
{
    const int count = rowCount();
    if (count == 0 || step == 0)
        return -1;
    const int cursor = rowOf(m_cursorId);
    const int target = cursor < 0 ? (step > 0 ? 0 : count - 1) : std::clamp(cursor + step, 0, count - 1);
    const QString id = songAt(target)->id;
    const int anchor = rowOf(m_anchorId);
    m_cursorId = id;
    if ((modifiers & Qt::ShiftModifier) && anchor >= 0) {
        QSet<QString> ids;
        for (int r = std::min(anchor, target); r <= std::max(anchor, target); ++r)
            ids.insert(songAt(r)->id);
        setSelection(ids);
    } else {
        m_anchorId = id;
        setSelection({id});
    }
    return target;
}

void SongTableModel::clearSelection()
{
    m_anchorId.clear();
    m_cursorId.clear();
    setSelection({});
}

void SongTableModel::setCurrent(const std::optional<QString> &songId, bool playing)
{
    if (songId == m_currentId && playing == m_playing)
        return;
    const std::optional<QString> old = std::exchange(m_currentId, songId);
    m_playing = playing;
    if (old)
        emitRowChanged(rowOf(*old), {MarkerRole});
    if (songId && songId != old)
        emitRowChanged(rowOf(*songId), {MarkerRole});
}
