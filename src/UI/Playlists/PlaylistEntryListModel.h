#pragma once

#include <QSet>
#include <QtQml/qqmlregistration.h>

#include "Models/Song.h"
#include "UI/Components/RecordListModel.h"

// One row of a playlist: a song with an identity of its own, so that a song
// listed twice makes two rows, and a row menu opened before a reload acts on
// the same row after it (or on none, when the reload took the row away).
struct PlaylistEntry
{
    quint64 uid = 0; // the row's identity, kept by a load that still has the row
    QString key; // the song id and which copy of it, for the row diff
    Song song;

    friend bool operator==(const PlaylistEntry &, const PlaylistEntry &) = default;
};

// The rows of the playlist page, with the state that lives outside the
// records: the selected row, the current song, the dragged row.
class PlaylistEntryListModel : public RecordListModel<PlaylistEntry>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the playlist page's view model.")

public:
    enum Role {
        TitleRole = Qt::UserRole + 1,
        ArtistRole,
        CoverArtRole,
        DurationRole,
        NumberRole,
        SongIdRole,
        SelectedRole,
        CurrentRole,
        DraggingRole,
    };

    explicit PlaylistEntryListModel(QObject *parent = nullptr);

    // Rows for `songs`. A row that `previous` had keeps its uid (the same
    // copy of a song, counted from the start, once the rows in `removed`
    // are left out, unless the list is as it was); the others get new ones.
    static QList<PlaylistEntry> entriesFor(const QList<Song> &songs, quint64 &nextUid,
        const QList<PlaylistEntry> &previous = {}, const QSet<quint64> &removed = {});
    // Replaces the rows with `entries` (see setRecords). Numbers are
    // positions: rows that came or went renumber the rows after them.
    void setEntries(QList<PlaylistEntry> entries);
    QStringList songIds() const;
    QList<Song> songs() const;
    int rowOfUid(quint64 uid) const;
    // Moves the row at `from` to `to` and renumbers the rows in between.
    bool moveEntry(int from, int to);

    // The selection follows its row through moves; 0: none.
    void setSelectedUid(quint64 uid);
    quint64 selectedUid() const { return m_selectedUid; }
    int selectedRow() const { return rowOfUid(m_selectedUid); }
    void setCurrentSongId(const QString &id);
    void setDraggingUid(quint64 uid);

protected:
    QString keyOf(const PlaylistEntry &entry) const override { return entry.key; }
    QVariant roleData(const PlaylistEntry &entry, int row, int role) const override;

private:
    void touchRowsOf(const QString &songId, const QList<int> &roles);
    void touchUid(quint64 uid, int role);

    quint64 m_selectedUid = 0;
    QString m_currentSongId;
    quint64 m_draggingUid = 0;
};
