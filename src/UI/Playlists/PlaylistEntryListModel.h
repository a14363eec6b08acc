#pragma once

#include <QtQml/qqmlregistration.h>

#include "Models/Song.h"
#include "UI/Components/RecordListModel.h"

// One row of a playlist: a song with an identity of its own for one load, so
// that a song listed twice makes two rows, and a drag begun before a reload
// finds nothing to move after it.
struct PlaylistEntry
{
    quint64 uid = 0; // new for every row of every load
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

    // New rows for `songs`, each with a new uid.
    static QList<PlaylistEntry> entriesFor(const QList<Song> &songs, quint64 &nextUid);
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
