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
    return m_rowOfId.value(id, -1);
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

const QCollatorSortKey &SongTableModel::keyOf(const Song &song, int column)
{
    Keys &keys = m_keys[song.id];
    const QString text = SongSort::textValue(song, SongColumn(column));
    if (!keys.keys[column] || keys.texts[column] != text) {
        keys.texts[column] = text;
        keys.keys[column] = m_collator.sortKey(text);
    }
    return *keys.keys[column];
}

QList<int> SongTableModel::sortedOrder(const QList<Song> &source)
{
    QList<int> order(source.size());
    std::iota(order.begin(), order.end(), 0);
    if (m_sortOrder.isEmpty())
        return order;

    // Key tables first (the hash may grow while keys are made), then one
    // stable sort comparing precomputed values only.
    std::array<std::vector<const QCollatorSortKey *>, 3> textKeys;
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
        for (const Song &song : source)
            keyOf(song, int(key.column));
    }
    for (const SongSortKey &key : m_sortOrder) {
        auto &table = key.column == SongColumn::Time ? textKeys[0] : textKeys[int(key.column)];
        if (key.column == SongColumn::Time || !table.empty())
            continue;
        table.reserve(source.size());
        for (const Song &song : source)
            table.push_back(&*m_keys.find(song.id)->keys[int(key.column)]);
    }

    const SongSortOrder sortOrder = m_sortOrder;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (const SongSortKey &key : sortOrder) {
            int c = 0;
            if (key.column == SongColumn::Time)
                c = seconds[a] < seconds[b] ? -1 : seconds[a] > seconds[b] ? 1 : 0;
            else
                c = textKeys[int(key.column)][a]->compare(*textKeys[int(key.column)][b]);
            if (c != 0)
                return key.ascending ? c < 0 : c > 0;
        }
        return false;
    });
    return order;
}

void SongTableModel::rebuildRowIndex()
{
    m_rowOfId.clear();
    m_rowOfId.reserve(m_order.size());
    for (int row = 0; row < m_order.size(); ++row)
        m_rowOfId.insert(m_source.at(m_order.at(row)).id, row);
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
    const QList<int> newOrder = sortedOrder(m_source);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    applyOrder(newOrder);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SongTableModel::setSongs(const QList<Song> &songs)
{
    const QList<int> newOrder = sortedOrder(songs);
    QHash<QString, int> newIndex;
    newIndex.reserve(songs.size());
    for (qsizetype i = 0; i < songs.size(); ++i)
        newIndex.insert(songs.at(i).id, int(i));
    const bool newUnique = newIndex.size() == songs.size();
    const bool oldUnique = m_rowOfId.size() == m_order.size();
    qsizetype common = 0;
    for (auto it = m_rowOfId.cbegin(); it != m_rowOfId.cend(); ++it)
        common += newIndex.contains(it.key());
    const int oldCount = int(m_order.size());

    if (oldCount == 0 || songs.isEmpty()) {
        // Filling an empty table or emptying it: one insert or one removal.
        if (oldCount > 0) {
            beginRemoveRows({}, 0, oldCount - 1);
            m_order.clear();
            m_source = songs;
            m_rowOfId.clear();
            endRemoveRows();
        } else if (!songs.isEmpty()) {
            beginInsertRows({}, 0, int(songs.size()) - 1);
            m_source = songs;
            m_order = newOrder;
            rebuildRowIndex();
            endInsertRows();
        } else {
            m_source = songs;
        }
    } else if (!newUnique || !oldUnique || common == 0) {
        beginResetModel();
        m_source = songs;
        m_order = newOrder;
        rebuildRowIndex();
        endResetModel();
    } else {
        // Rows that left the list go first, bottom up in runs.
        for (int row = int(m_order.size()) - 1; row >= 0;) {
            if (newIndex.contains(m_source.at(m_order.at(row)).id)) {
                --row;
                continue;
            }
            int first = row;
            while (first > 0 && !newIndex.contains(m_source.at(m_order.at(first - 1)).id))
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
            kept.append(newIndex.value(m_source.at(index).id));
        QSet<int> keptSet(kept.cbegin(), kept.cend());
        QList<int> added;
        for (int index = 0; index < songs.size(); ++index) {
            if (!keptSet.contains(index))
                added.append(index);
        }
        Q_EMIT layoutAboutToBeChanged();
        m_source = songs;
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

    // Keys and selection only for songs still in the list.
    for (auto it = m_keys.begin(); it != m_keys.end();)
        it = newIndex.contains(it.key()) ? std::next(it) : m_keys.erase(it);
    QSet<QString> kept;
    for (const QString &id : std::as_const(m_selection)) {
        if (newIndex.contains(id))
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

void SongTableModel::clearSelection()
{
    m_anchorId.clear();
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
