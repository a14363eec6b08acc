#pragma once

#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Components/RecordListModel.h"
#include "Models/Song.h"

// The album page's tracks in display order (disc by disc), with the state
// each row shows besides its song: the selected row and the song playing.
class AlbumTrackListModel : public RecordListModel<Song>
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the album page's view model.")

public:
    enum Role {
        SongIdRole = Qt::UserRole + 1,
        TitleRole,
        TrackRole,
        DurationRole,
        DiscSectionRole,
        LastInDiscRole,
        CurrentRole,
        SelectedRole,
    };

    // One group of the display: `number` is empty for the single unnamed group.
    struct Disc
    {
        std::optional<qint64> number;
        QList<Song> songs;
    };

    explicit AlbumTrackListModel(QObject *parent = nullptr);

    // Songs grouped by disc (a missing disc number counts as 1), in ascending
    // disc order, keeping the server's order inside a disc. One disc or none
    // gives one unnamed group.
    static QList<Disc> discs(const QList<Song> &songs);
    // The row an arrow key moves the selection to in a list of `count` rows:
    // clamped to the ends, never wrapping; with no selection (-1) down goes
    // to the first row and up to the last. -1 for an empty list.
    static int moveTarget(int count, int selectedRow, int step);

    // The songs in server order; the rows become their display order.
    void setSongs(const QList<Song> &songs);
    void setSelectedId(const QString &id);
    void setCurrentId(const QString &id);

    QString selectedId() const { return m_selectedId; }
    // The disc section of the first group ("" without disc headers).
    QString firstSection() const;

protected:
    QString keyOf(const Song &song) const override { return song.id; }
    QVariant roleData(const Song &song, int row, int role) const override;

private:
    void changeRowsOf(const QString &id, Role role);

    // Per row, aligned with the records.
    QList<QString> m_sections;
    QList<bool> m_lastInDisc;
    QString m_selectedId;
    QString m_currentId;
};
