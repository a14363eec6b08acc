#include "AlbumTrackListModel.h"

#include <map>

#include "Support/Format.h"

AlbumTrackListModel::AlbumTrackListModel(QObject *parent)
    : RecordListModel(
        {{SongIdRole, "songId"}, {TitleRole, "title"}, {TrackRole, "track"}, {DurationRole, "duration"},
            {DiscSectionRole, "discSection"}, {LastInDiscRole, "lastInDisc"}, {CurrentRole, "current"},
            {SelectedRole, "selected"}},
        parent)
{ }

QList<AlbumTrackListModel::Disc> AlbumTrackListModel::discs(const QList<Song> &songs)
{
    std::map<qint64, QList<Song>> byNumber;
    for (const Song &song : songs)
        byNumber[song.discNumber.value_or(1)].append(song);
    if (byNumber.size() < 2)
        return {Disc {std::nullopt, songs}};
    QList<Disc> result;
    for (auto &[number, discSongs] : byNumber)
        result.append(Disc {number, std::move(discSongs)});
    return result;
}

int AlbumTrackListModel::moveTarget(int count, int selectedRow, int step)
{
    if (count <= 0)
        return -1;
    int current = selectedRow;
    if (current < 0 || current >= count)
        current = step < 1 ? count : -1;
    return std::clamp(current + step, 0, count - 1);
}

void AlbumTrackListModel::setSongs(const QList<Song> &songs)
{
    QList<Song> ordered;
    QList<QString> sections;
    QList<bool> last;
    for (const Disc &disc : discs(songs)) {
        const QString section = disc.number ? QString::number(*disc.number) : QString();
        for (qsizetype i = 0; i < disc.songs.size(); ++i) {
            ordered.append(disc.songs.at(i));
            sections.append(section);
            last.append(i == disc.songs.size() - 1);
        }
    }
    // Sections and dividers belong to rows; set them before the rows arrive so
    // inserted rows read theirs, then refresh the rows that stayed.
    const int kept = int(std::min(records().size(), ordered.size()));
    m_sections = sections;
    m_lastInDisc = last;
    setRecords(ordered);
    if (kept > 0)
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), {DiscSectionRole, LastInDiscRole});
}

void AlbumTrackListModel::setSelectedId(const QString &id)
{
    if (id == m_selectedId)
        return;
    const QString old = std::exchange(m_selectedId, id);
    changeRowsOf(old, SelectedRole);
    changeRowsOf(id, SelectedRole);
}

void AlbumTrackListModel::setCurrentId(const QString &id)
{
    if (id == m_currentId)
        return;
    const QString old = std::exchange(m_currentId, id);
    changeRowsOf(old, CurrentRole);
    changeRowsOf(id, CurrentRole);
}

QString AlbumTrackListModel::firstSection() const
{
    return m_sections.isEmpty() ? QString() : m_sections.first();
}

void AlbumTrackListModel::changeRowsOf(const QString &id, Role role)
{
    if (id.isEmpty())
        return;
    for (qsizetype row = 0; row < records().size(); ++row) {
        if (records().at(row).id == id)
            rowChanged(int(row), {role});
    }
}

QVariant AlbumTrackListModel::roleData(const Song &song, int row, int role) const
{
    switch (role) {
    case SongIdRole:
        return song.id;
    case TitleRole:
        return song.title;
    case TrackRole:
        return song.track ? QString::number(*song.track) : QString();
    case DurationRole:
        return Format::paddedDuration(song.duration);
    case DiscSectionRole:
        return m_sections.value(row);
    case LastInDiscRole:
        return m_lastInDisc.value(row);
    case CurrentRole:
        return !m_currentId.isEmpty() && song.id == m_currentId;
    case SelectedRole:
        return !m_selectedId.isEmpty() && song.id == m_selectedId;
    }
    return {};
}
