#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QSet>
#include <QtQml/qqmlregistration.h>
#include <array>
#include <optional>
#include <vector>

#include "Models/Song.h"
#include "SongSort.h"

// The rows of a song table: a list of songs in the list's own order, shown
// sorted by a sort order, with an id-based selection and the current-song
// marker. A re-sort moves the rows with a layout change, so selections and
// persistent indexes stay on the same songs; a new list removes and inserts
// only the rows that changed. Text sort keys are collation keys worked out
// once per song and kept while the song stays in the list.
class SongTableModel : public QAbstractTableModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by a song table's view model.")
    Q_PROPERTY(int count READ rowCountValue NOTIFY countChanged)
    Q_PROPERTY(int sortColumn READ sortColumn NOTIFY sortOrderChanged)
    Q_PROPERTY(bool sortAscending READ sortAscending NOTIFY sortOrderChanged)
    Q_PROPERTY(int selectionCount READ selectionCount NOTIFY selectionChanged)

public:
    enum Role {
        SongIdRole = Qt::UserRole + 1,
        SelectedRole,
        // "speaker.wave.2.fill" / "speaker.fill" on the current song's row, else empty.
        MarkerRole,
    };

    explicit SongTableModel(const QLocale &locale, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The list in its own order; shown sorted by the sort order.
    void setSongs(const QList<Song> &songs);
    const SongSortOrder &sortOrder() const { return m_sortOrder; }
    void setSortOrder(const SongSortOrder &order);
    // -1 when unsorted.
    int sortColumn() const;
    bool sortAscending() const;

    int rowCountValue() const { return int(m_order.size()); }
    const Song *songAt(int row) const;
    int rowOf(const QString &id) const;
    // The displayed list.
    QList<Song> displayedSongs() const;
    // The songs of `ids` that are shown, in display order.
    QList<Song> songsOf(const QSet<QString> &ids) const;
    // The first shown row whose song is in `ids`, or -1.
    int topmostRow(const QSet<QString> &ids) const;

    // Selection. A click selects the row alone; with Ctrl it adds or removes
    // the row; with Shift it selects the rows from the last clicked row to
    // this one (with Ctrl+Shift, added to the selection).
    Q_INVOKABLE void click(int row, int modifiers);
    // The arrow keys: the row after (+1) or before (-1) the last clicked or
    // moved-to row is selected alone; with Shift the rows from the anchor to
    // it. With no such row, down starts at the top and up at the bottom; the
    // ends hold. Returns the row moved to (-1 for an empty table).
    Q_INVOKABLE int moveCursor(int step, int modifiers);
    Q_INVOKABLE void clearSelection();
    const QSet<QString> &selection() const { return m_selection; }
    int selectionCount() const { return int(m_selection.size()); }

    void setCurrent(const std::optional<QString> &songId, bool playing);

Q_SIGNALS:
    void countChanged();
    void sortOrderChanged();
    void selectionChanged();

private:
    // The collation keys of one song's title, artist and album, made when a
    // sort first needs them.
    using Keys = std::array<std::optional<QCollatorSortKey>, 3>;

    QList<int> sortedOrder(const QList<Song> &source, std::vector<Keys> &keys) const;
    void applyOrder(const QList<int> &newOrder);
    void setSelection(const QSet<QString> &ids);
    void rebuildRowIndex();
    void emitRowChanged(int row, const QList<int> &roles);

    QCollator m_collator;
    QList<Song> m_source;
    QList<int> m_order; // displayed row → index in m_source
    std::vector<Keys> m_keys; // beside m_source
    QHash<QString, int> m_sourceOfId;
    std::vector<int> m_rowOfSource; // index in m_source → displayed row
    SongSortOrder m_sortOrder;
    QSet<QString> m_selection;
    QString m_anchorId;
    QString m_cursorId;
    std::optional<QString> m_currentId;
    bool m_playing = false;
};
