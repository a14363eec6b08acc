#include "PlaylistEntryListModel.h"

#include <QHash>

#include "Support/Format.h"

PlaylistEntryListModel::PlaylistEntryListModel(QObject *parent)
    : RecordListModel({{TitleRole, "title"}, {ArtistRole, "artist"}, {CoverArtRole, "coverArt"},
                          {DurationRole, "duration"}, {NumberRole, "number"}, {SongIdRole, "songId"},
                          {SelectedRole, "selected"}, {CurrentRole, "current"}, {DraggingRole, "dragging"}},
        parent)
{ }

bool PlaylistEntryListModel::moveEntry(int from, int to)
{
    if (!moveRecord(from, to))
        return false;
    // Numbers are positions: the rows between the move's ends are renumbered,
    // once every view has taken the move (a change sent from a handler of
    // the move itself could reach a view before the move does).
    Q_EMIT dataChanged(index(std::min(from, to)), index(std::max(from, to)), {NumberRole});
    return true;
}

QList<PlaylistEntry> PlaylistEntryListModel::entriesFor(const QList<Song> &songs, quint64 &nextUid,
    const QList<PlaylistEntry> &previous, const QSet<quint64> &removed)
{
    const auto sameSongs = [&songs](const QList<PlaylistEntry> &rows) {
        if (rows.size() != songs.size())
            return false;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows.at(i).song.id != songs.at(i).id)
                return false;
        }
        return true;
    };
    // The uids to hand on, by song id, in row order: the rows still meant to
    // be there, or all of them when the list has not taken a removal yet.
    QList<PlaylistEntry> staying;
    for (const PlaylistEntry &entry : previous) {
        if (!removed.contains(entry.uid))
            staying.append(entry);
    }
    const QList<PlaylistEntry> &source = !sameSongs(staying) && sameSongs(previous) ? previous : staying;
    QHash<QString, QList<quint64>> uids;
    for (const PlaylistEntry &entry : source)
        uids[entry.song.id].append(entry.uid);

    QList<PlaylistEntry> entries;
    entries.reserve(songs.size());
    QHash<QString, int> copies;
    copies.reserve(songs.size());
    for (const Song &song : songs) {
        // The first copy of a song is keyed by its id alone (no new string
        // for each of thousands of rows); later copies by id and number.
        const int copy = copies[song.id]++;
        const auto known = uids.constFind(song.id);
        const quint64 uid = known != uids.constEnd() && copy < known->size() ? known->at(copy) : ++nextUid;
        entries.append({uid, copy == 0 ? song.id : song.id + u'#' + QString::number(copy), song});
    }
    return entries;
}

void PlaylistEntryListModel::setEntries(QList<PlaylistEntry> entries)
{
    const QList<PlaylistEntry> &rows = records();
    qsizetype first = 0;
    while (first < rows.size() && first < entries.size() && rows.at(first).key == entries.at(first).key)
        ++first;
    const bool same = first == rows.size() && first == entries.size();
    setRecords(std::move(entries));
    // A row that only moved up or down keeps its record, so it gets no change
    // of its own: its number is told here, once the views have the new rows.
    if (!same && first < rowCount())
        Q_EMIT dataChanged(index(int(first)), index(rowCount() - 1), {NumberRole});
}

QStringList PlaylistEntryListModel::songIds() const
{
    QStringList ids;
    for (const PlaylistEntry &entry : records())
        ids.append(entry.song.id);
    return ids;
}

QList<Song> PlaylistEntryListModel::songs() const
{
    QList<Song> list;
    for (const PlaylistEntry &entry : records())
        list.append(entry.song);
    return list;
}

int PlaylistEntryListModel::rowOfUid(quint64 uid) const
{
    for (qsizetype row = 0; row < records().size(); ++row) {
        if (records().at(row).uid == uid)
            return int(row);
    }
    return -1;
}

void PlaylistEntryListModel::setSelectedUid(quint64 uid)
{
    if (uid == m_selectedUid)
        return;
    touchUid(std::exchange(m_selectedUid, uid), SelectedRole);
    touchUid(uid, SelectedRole);
}

void PlaylistEntryListModel::touchUid(quint64 uid, int role)
{
    if (const int row = uid ? rowOfUid(uid) : -1; row >= 0)
        rowChanged(row, {role});
}

void PlaylistEntryListModel::setCurrentSongId(const QString &id)
{
    if (id == m_currentSongId)
        return;
    const QString old = std::exchange(m_currentSongId, id);
    touchRowsOf(old, {CurrentRole});
    touchRowsOf(id, {CurrentRole});
}

void PlaylistEntryListModel::setDraggingUid(quint64 uid)
{
    if (uid == m_draggingUid)
        return;
    touchUid(std::exchange(m_draggingUid, uid), DraggingRole);
    touchUid(uid, DraggingRole);
}

void PlaylistEntryListModel::touchRowsOf(const QString &songId, const QList<int> &roles)
{
    if (songId.isEmpty())
        return;
    for (qsizetype row = 0; row < records().size(); ++row) {
        if (records().at(row).song.id == songId)
            rowChanged(int(row), roles);
    }
}

QVariant PlaylistEntryListModel::roleData(const PlaylistEntry &entry, int row, int role) const
{
    switch (role) {
    case TitleRole:
        return entry.song.title;
    case ArtistRole:
        return entry.song.artist.value_or(QString());
    case CoverArtRole:
        return entry.song.coverArt.value_or(QString());
    case DurationRole:
        return Format::paddedDuration(entry.song.duration);
    case NumberRole:
        return row + 1;
    case SongIdRole:
        return entry.song.id;
    case SelectedRole:
        return m_selectedUid != 0 && entry.uid == m_selectedUid;
    case CurrentRole:
        return !m_currentSongId.isEmpty() && entry.song.id == m_currentSongId;
    case DraggingRole:
        return m_draggingUid != 0 && entry.uid == m_draggingUid;
    default:
        return {};
    }
}
