#include "UpNextModel.h"

#include <algorithm>
#include <utility>

#include "Playback/PlayerController.h"
#include "Support/Format.h"

UpNextModel::UpNextModel(PlayerController *player, QObject *parent)
    : QAbstractListModel(parent)
    , m_player(player)
{
    if (m_player)
        m_rows = m_player->upNext();
    connect(m_player, &PlayerController::queueChanged, this, &UpNextModel::sync);
    connect(m_player, &PlayerController::currentIndexChanged, this, &UpNextModel::sync);
    connect(this, &QAbstractItemModel::rowsInserted, this, &UpNextModel::countChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &UpNextModel::countChanged);
}

int UpNextModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant UpNextModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Song &song = m_rows.at(index.row());
    switch (role) {
    case TitleRole:
    case Qt::DisplayRole:
        return song.title;
    case ArtistRole:
        return song.artist.value_or(QString());
    case HasArtistRole:
        return song.artist.has_value();
    case DurationTextRole:
        return Format::paddedDuration(song.duration);
    default:
        return {};
    }
}

QHash<int, QByteArray> UpNextModel::roleNames() const
{
    return {
        {TitleRole, "title"},
        {ArtistRole, "artist"},
        {HasArtistRole, "hasArtist"},
        {DurationTextRole, "durationText"},
    };
}

void UpNextModel::playRow(int row)
{
    if (!isRow(row))
        return;
    edit({m_rows.mid(row + 1), [this, row] { removeRange(0, row); }},
        [this, row] { m_player->playUpcoming(row); });
}

void UpNextModel::removeRows(const QList<int> &rows)
{
    QList<int> doomed;
    for (int row : rows) {
        if (isRow(row) && !doomed.contains(row))
            doomed.append(row);
    }
    if (doomed.isEmpty())
        return;
    std::sort(doomed.begin(), doomed.end(), std::greater<int>());
    QList<Song> expected = m_rows;
    for (int row : std::as_const(doomed))
        expected.removeAt(row);
    edit({expected,
             [this, doomed] {
                 for (int row : doomed)
                     removeRange(row, row);
             }},
        [this, doomed] { m_player->removeUpcoming(doomed); });
}

bool UpNextModel::handleKey(int key, int selectedRow)
{
    // While a row is held the rows are not the engine's offsets.
    if (m_drag || (key != Qt::Key_Delete && key != Qt::Key_Backspace) || !isRow(selectedRow))
        return false;
    removeAt(selectedRow);
    return true;
}

void UpNextModel::moveRow(int from, int to)
{
    beginDrag(from);
    dragTo(to);
    dropDragged();
}

void UpNextModel::beginDrag(int row)
{
    cancelDrag();
    if (isRow(row) && m_player)
        m_drag = Drag {row, row};
}

void UpNextModel::dragTo(int row)
{
    if (!m_drag || !isRow(row) || row == m_drag->at)
        return;
    showMove(m_drag->at, row);
    m_drag->at = row;
}

void UpNextModel::dropDragged()
{
    if (!m_drag)
        return;
    const Drag drag = *std::exchange(m_drag, std::nullopt);
    if (drag.at == drag.origin)
        return;
    // The rows already stand where the engine's move leaves them.
    edit({m_rows, [] {}},
        [this, drag] { m_player->moveUpcoming({drag.origin}, listMoveDestination(drag.origin, drag.at)); });
}

void UpNextModel::cancelDrag()
{
    if (!m_drag)
        return;
    const Drag drag = *std::exchange(m_drag, std::nullopt);
    if (drag.at != drag.origin)
        showMove(drag.at, drag.origin);
}

void UpNextModel::showMove(int from, int to)
{
    beginMoveRows({}, from, from, {}, listMoveDestination(from, to));
    m_rows.move(from, to);
    endMoveRows();
}

void UpNextModel::clear()
{
    if (m_rows.isEmpty())
        return;
    edit({{}, [this] { removeRange(0, int(m_rows.size()) - 1); }}, [this] { m_player->clearUpNext(); });
}

void UpNextModel::edit(Pending pending, const std::function<void()> &engineCall)
{
    // A held row shows the rows out of the engine's order: no offset is
    // sure until it is dropped or put back.
    if (!m_player || m_drag)
        return;
    m_pending = std::move(pending);
    engineCall();
    m_pending.reset();
    // Whatever the engine did instead is followed all the same.
    sync();
}

void UpNextModel::sync()
{
    const QList<Song> now = m_player ? m_player->upNext() : QList<Song>();
    if (m_drag) {
        QList<Song> before = m_rows;
        before.move(m_drag->at, m_drag->origin);
        if (now == before)
            return;
        // The queue changed under the held row: the rows follow the queue,
        // and the drag is over.
        m_drag.reset();
    }
    if (now == m_rows)
        return;
    if (m_pending && m_pending->expected == now) {
        const std::function<void()> applyRows = m_pending->applyRows;
        m_pending.reset();
        applyRows();
        return;
    }
    // The rows no longer stand where the edit was planned from.
    m_pending.reset();
    followChange(now);
}

void UpNextModel::followChange(const QList<Song> &now)
{
    // Only the run between the common start and the common end changed.
    const qsizetype shorter = std::min(m_rows.size(), now.size());
    qsizetype head = 0;
    while (head < shorter && m_rows.at(head) == now.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && m_rows.at(m_rows.size() - 1 - tail) == now.at(now.size() - 1 - tail))
        ++tail;
    const int first = int(head);
    const int oldCount = int(m_rows.size() - head - tail);
    const int newCount = int(now.size() - head - tail);

    // Rows are places in the queue: the places that stay keep their rows and
    // only show other songs.
    const int kept = std::min(oldCount, newCount);
    if (kept > 0) {
        for (int i = 0; i < kept; ++i)
            m_rows[first + i] = now.at(first + i);
        Q_EMIT dataChanged(index(first), index(first + kept - 1));
    }
    if (oldCount > kept)
        removeRange(first + kept, first + oldCount - 1);
    if (newCount > kept) {
        beginInsertRows({}, first + kept, first + newCount - 1);
        for (int i = kept; i < newCount; ++i)
            m_rows.insert(first + i, now.at(first + i));
        endInsertRows();
    }
}

void UpNextModel::removeRange(int first, int last)
{
    beginRemoveRows({}, first, last);
    m_rows.remove(first, last - first + 1);
    endRemoveRows();
}
