#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

#include "Models/Song.h"

class PlayerController;

// The songs queued after the current one, for the Up Next popover, with the
// popover's actions. A row stands for a place in the queue, not for a song: a
// queue may hold one song twice, and the row acted on is the one clicked. Row
// n is offset n of the engine's Up Next.
//
// The rows follow the engine's queue one change at a time: the model's own
// edits as exactly the rows they touch, other changes of the queue as the
// run of rows that differs.
class UpNextModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the now-playing bar's view model.")

    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY countChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString clearText READ clearText CONSTANT)
    Q_PROPERTY(QString emptyText READ emptyText CONSTANT)
    Q_PROPERTY(QString playNowText READ playNowText CONSTANT)
    Q_PROPERTY(QString removeText READ removeText CONSTANT)

public:
    enum Role {
        TitleRole = Qt::UserRole + 1,
        // The artist's name, empty when the song names none.
        ArtistRole,
        HasArtistRole,
        DurationTextRole,
    };
    Q_ENUM(Role)

    explicit UpNextModel(PlayerController *player, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    QString title() const { return QStringLiteral("Up Next"); }
    QString clearText() const { return QStringLiteral("Clear"); }
    QString emptyText() const { return QStringLiteral("No songs in the queue."); }
    QString playNowText() const { return QStringLiteral("Play Now"); }
    QString removeText() const { return QStringLiteral("Remove"); }

    // A double click or "Play Now": plays that row's song at once; the rows
    // before it stay in the queue, behind the new current song.
    Q_INVOKABLE void playRow(int row);
    // "Remove", or the Delete key on the selected rows.
    Q_INVOKABLE void removeRows(const QList<int> &rows);
    Q_INVOKABLE void removeAt(int row) { removeRows({row}); }
    // A key pressed in the list while `selectedRow` is selected (-1: none);
    // tells whether it was used. Delete and Backspace remove that row.
    Q_INVOKABLE bool handleKey(int key, int selectedRow);
    // A row moved from `from` to end up at `to`, in one step.
    Q_INVOKABLE void moveRow(int from, int to);
    // Dragging a row: the rows show the move while the row is held, and the
    // engine hears of it once, on the drop, so that it re-syncs its
    // preloaded next song once. A cancelled drag puts the row back; a change
    // of the queue from elsewhere ends the drag, following the queue.
    Q_INVOKABLE void beginDrag(int row);
    Q_INVOKABLE void dragTo(int row);
    Q_INVOKABLE void dropDragged();
    Q_INVOKABLE void cancelDrag();
    // "Clear": every song after the current one leaves the queue.
    Q_INVOKABLE void clear();

    // The destination the engine's move takes (counted before the move) for a
    // row that should end up at `to`.
    static int listMoveDestination(int from, int to) { return to > from ? to + 1 : to; }

Q_SIGNALS:
    void countChanged();

private:
    // An edit of our own: the rows the engine should leave, and how to get
    // there row by row.
    struct Pending
    {
        QList<Song> expected;
        std::function<void()> applyRows;
    };
    // A row being dragged: where it stood in the engine's queue, and where
    // the rows show it now.
    struct Drag
    {
        int origin = 0;
        int at = 0;
    };
    void edit(Pending pending, const std::function<void()> &engineCall);
    void showMove(int from, int to);
    void sync();
    void followChange(const QList<Song> &now);
    void removeRange(int first, int last);
    bool isRow(int row) const { return row >= 0 && row < m_rows.size(); }

    QPointer<PlayerController> m_player;
    QList<Song> m_rows;
    std::optional<Pending> m_pending;
    std::optional<Drag> m_drag;
};
