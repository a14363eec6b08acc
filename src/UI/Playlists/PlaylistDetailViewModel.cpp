#include "PlaylistDetailViewModel.h"

#include <algorithm>

#include "Components/AddToPlaylistModel.h"
#include "Components/CollectionCovers.h"
#include "Components/LikeMenuItemModel.h"
#include "Downloads/DownloadStore.h"
#include "Library/ConnectionFault.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"
#include "UI/PageContext.h"
#include "UI/TextTrimming.h"

namespace {

// The store tells the rows of one playlist apart by their uids, whichever
// page they were shown on: no two pages hand out the same.
quint64 &rowsNamed()
{
    static quint64 rows = 0;
    return rows;
}

} // namespace

PlaylistDetailViewModel::PlaylistDetailViewModel(PageContext *context, QString playlistId, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_playlistId(std::move(playlistId))
    , m_tracks(this)
    , m_rowLike(new LikeMenuItemModel(this))
    , m_rowPlaylists(new AddToPlaylistModel(this))
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &PlaylistDetailViewModel::sendOrder);
    if (m_context) {
        connect(m_context, &PageContext::storesChanged, this, &PlaylistDetailViewModel::activate);
        if (PlayerController *player = m_context->player()) {
            connect(
                player, &PlayerController::queueChanged, this, &PlaylistDetailViewModel::updateCurrentSong);
            connect(player, &PlayerController::currentIndexChanged, this,
                &PlaylistDetailViewModel::updateCurrentSong);
        }
    }
    activate();
}

PlaylistDetailViewModel::~PlaylistDetailViewModel()
{
    // Leaving the page does not drop the order the user dragged into place.
    if (m_saveTimer.isActive())
        sendOrder();
}

LibraryStore *PlaylistDetailViewModel::library() const
{
    return m_library;
}

void PlaylistDetailViewModel::activate()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_storeConnections))
        disconnect(connection);
    m_storeConnections.clear();
    // A waiting order belongs to the store it was made against.
    flushPendingOrder();
    m_library = m_context ? m_context->library() : nullptr;
    LibraryStore *store = library();
    m_rowLike->setLibrary(store);
    m_rowPlaylists->setLibrary(store);
    if (!store) {
        m_load.deactivate();
        return;
    }
    m_storeConnections = {
        connect(store, &LibraryStore::epochChanged, this, &PlaylistDetailViewModel::reload),
        connect(store, &LibraryStore::playlistRevisionChanged, this, &PlaylistDetailViewModel::reload),
        // The run or the sign-in ends: the order held back goes now.
        connect(store, &LibraryStore::heldWritesWanted, this, &PlaylistDetailViewModel::flushPendingOrder),
        // An edit the server refused leaves the screen for the server's
        // list, also on a page opened after it was made. Heard once the
        // edit's caller has heard how it went.
        connect(
            store, &LibraryStore::playlistEditRefused, this,
            [this](const QString &id) {
                if (id == m_playlistId && !m_saveTimer.isActive()) {
                    ++m_reloadToken;
                    reload();
                }
            },
            Qt::QueuedConnection),
        // Back online: the downloaded copy gives way to the server's playlist.
        connect(store, &LibraryStore::reachabilityChanged, this,
            [this] {
                LibraryStore *current = library();
                if (current && current->reachability().isOk() && m_isLocalOrder) {
                    ++m_reloadToken;
                    reload();
                }
            }),
    };
    reload();
}

void PlaylistDetailViewModel::reload()
{
    LibraryStore *store = library();
    if (!store)
        return;
    const QString key = QStringLiteral("%1-%2-%3-%4")
                            .arg(m_playlistId)
                            .arg(m_reloadToken)
                            .arg(store->epoch())
                            .arg(store->playlistRevision());
    m_load.activate(key, [this, store](KeyedLoad::Ticket ticket) {
        setErrorMessage(QString());
        return load(std::move(ticket), QPointer<LibraryStore>(store), m_playlistId);
    });
}

QCoro::Task<> PlaylistDetailViewModel::load(
    KeyedLoad::Ticket ticket, QPointer<LibraryStore> library, QString id)
{
    std::optional<PlaylistDetail> detail;
    std::exception_ptr error;
    try {
        PlaylistDetail answer = co_await library->playlistDetail(id);
        detail = std::move(answer);
    } catch (...) {
        error = std::current_exception();
    }
    auto *self = ticket.owner<PlaylistDetailViewModel>();
    if (!self)
        co_return;
    if (detail) {
        self->applyDetail(*detail, false);
        co_return;
    }
    if (ConnectionFault::isCancellation(error))
        co_return;
    DownloadStore *downloads = self->m_context ? self->m_context->downloads() : nullptr;
    if (std::optional<PlaylistDetail> local = downloads ? downloads->localPlaylist(id) : std::nullopt) {
        self->applyDetail(*local, true);
        co_return;
    }
    self->setErrorMessage(ConnectionFault::describe(error));
}

void PlaylistDetailViewModel::applyDetail(const PlaylistDetail &detail, bool localOrder)
{
    m_detail = detail;
    applyEntries(detail.entry.value_or(QList<Song>()), localOrder);
    Q_EMIT detailChanged();
    takeSongs();
}

void PlaylistDetailViewModel::applyEntries(const QList<Song> &songs, bool localOrder)
{
    std::optional<int> previousIndex;
    std::optional<QString> previousSongId;
    if (const int row = m_tracks.selectedRow(); row >= 0) {
        previousIndex = row;
        previousSongId = m_tracks.recordAt(row)->song.id;
    }
    // A reloaded list is the same rows as before, by song and copy, less
    // those our removals took: what the user does on it is known by the
    // same names as what they did before it came.
    const QList<PlaylistEntry> previous = rowsWithHidden();
    QList<PlaylistEntry> entries
        = PlaylistEntryListModel::entriesFor(songs, rowsNamed(), previous, m_removedUids);
    QStringList ids;
    for (const Song &song : songs)
        ids.append(song.id);
    const std::optional<int> selected = resolvedSelection(previousIndex, previousSongId, ids);
    const quint64 selectedUid = selected ? entries.at(*selected).uid : 0;
    m_tracks.setSelectedUid(0);
    // A drag begun before the load moves nothing after it.
    endDrag();
    m_tracks.setEntries(std::move(entries));
    m_tracks.setSelectedUid(selectedUid);
    m_hiddenRows.clear();
    for (qsizetype row = 0; row < previous.size(); ++row) {
        const PlaylistEntry &entry = previous.at(row);
        if (m_removingUids.contains(entry.uid) && m_tracks.rowOfUid(entry.uid) < 0)
            m_hiddenRows.append({entry, row > 0 ? previous.at(row - 1).uid : 0});
    }
    // A row asked to be removed is left out only until a load no longer has
    // it and its removal is done.
    m_removedUids.removeIf(
        [this](quint64 uid) { return m_tracks.rowOfUid(uid) < 0 && !m_removingUids.contains(uid); });
    // The row menu's entry is gone: its items act on nothing.
    if (m_menuUid != 0 && m_tracks.rowOfUid(m_menuUid) < 0)
        prepareRowMenu(-1);
    if (m_isLocalOrder != localOrder) {
        m_isLocalOrder = localOrder;
        Q_EMIT isLocalOrderChanged();
    }
    updateCurrentSong();
    Q_EMIT selectedRowChanged();
}

std::optional<int> PlaylistDetailViewModel::resolvedSelection(std::optional<int> previousIndex,
    const std::optional<QString> &previousSongId, const QStringList &songIds)
{
    const int n = int(songIds.size());
    if (n == 0 || !previousIndex || !previousSongId || *previousIndex < 0)
        return std::nullopt;
    if (*previousIndex < n && songIds.at(*previousIndex) == *previousSongId)
        return previousIndex;
    if (const qsizetype first = songIds.indexOf(*previousSongId); first >= 0)
        return int(first);
    return std::min(*previousIndex, n - 1);
}

void PlaylistDetailViewModel::setErrorMessage(const QString &message)
{
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

QString PlaylistDetailViewModel::sourceName() const
{
    return m_detail ? m_detail->name : QStringLiteral("Playlist");
}

QString PlaylistDetailViewModel::metadataLine() const
{
    return metadataText(m_detail, m_tracks.rowCount());
}

QString PlaylistDetailViewModel::metadataText(const std::optional<PlaylistDetail> &detail, int rows)
{
    const qint64 count = detail && detail->songCount ? *detail->songCount : rows;
    QString line = count == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(count);
    if (detail && detail->duration && *detail->duration >= 1) {
        const qint64 minutes = *detail->duration < 60 ? 1 : *detail->duration / 60;
        line += QStringLiteral(" \u2022 %1 min").arg(minutes);
    }
    return line;
}

void PlaylistDetailViewModel::takeSongs()
{
    m_songs = m_tracks.songs();
    m_songIds = m_tracks.songIds();
    m_collageSongs = CollectionCovers::drawnSongs(m_songs);
    Q_EMIT songsChanged();
}

void PlaylistDetailViewModel::updateCurrentSong()
{
    PlayerController *player = m_context ? m_context->player() : nullptr;
    const std::optional<Song> current = player ? player->currentSong() : std::nullopt;
    m_tracks.setCurrentSongId(current ? current->id : QString());
}

// MARK: - Playback

void PlaylistDetailViewModel::play()
{
    // From the top, like a click on the first row, but the selection is the
    // rows' own.
    const QList<Song> list = songs();
    if (list.isEmpty() || !m_context || !m_context->player())
        return;
    m_context->player()->play(
        list, m_context->client(), 0, PlaybackSource::playlist(m_playlistId, sourceName()));
}

void PlaylistDetailViewModel::playShuffled()
{
    const QList<Song> list = songs();
    if (list.isEmpty() || !m_context || !m_context->player())
        return;
    m_context->player()->playShuffled(
        list, m_context->client(), PlaybackSource::playlist(m_playlistId, sourceName()));
}

void PlaylistDetailViewModel::playNext()
{
    if (m_context && m_context->player())
        m_context->player()->playNext(songs(), m_context->client());
}

void PlaylistDetailViewModel::playLast()
{
    if (m_context && m_context->player())
        m_context->player()->playLast(songs(), m_context->client());
}

void PlaylistDetailViewModel::selectRow(int row)
{
    const PlaylistEntry *entry = m_tracks.recordAt(row);
    m_tracks.setSelectedUid(entry ? entry->uid : 0);
    Q_EMIT selectedRowChanged();
}

void PlaylistDetailViewModel::moveSelection(int delta)
{
    const int n = m_tracks.rowCount();
    if (n == 0)
        return;
    const int row = m_tracks.selectedRow();
    int target = row >= 0 ? row + delta : (delta > 0 ? delta - 1 : n + delta);
    target = std::clamp(target, 0, n - 1);
    selectRow(target);
    Q_EMIT revealRow(target);
}

void PlaylistDetailViewModel::playSelected()
{
    if (const int row = m_tracks.selectedRow(); row >= 0)
        playRow(row);
}

void PlaylistDetailViewModel::playRow(int row)
{
    const QList<Song> list = songs();
    if (list.isEmpty() || !m_context || !m_context->player())
        return;
    if (m_tracks.recordAt(row))
        selectRow(row);
    m_context->player()->play(
        list, m_context->client(), row, PlaybackSource::playlist(m_playlistId, sourceName()));
}

void PlaylistDetailViewModel::playRowNext(int row)
{
    if (const PlaylistEntry *entry = m_tracks.recordAt(row); entry && m_context && m_context->player())
        m_context->player()->playNext({entry->song}, m_context->client());
}

void PlaylistDetailViewModel::playRowLast(int row)
{
    if (const PlaylistEntry *entry = m_tracks.recordAt(row); entry && m_context && m_context->player())
        m_context->player()->playLast({entry->song}, m_context->client());
}

// MARK: - Edits

void PlaylistDetailViewModel::removeRow(int row)
{
    const PlaylistEntry *entry = m_tracks.recordAt(row);
    removeEntry(entry ? entry->uid : 0);
}

void PlaylistDetailViewModel::removeEntry(quint64 uid)
{
    LibraryStore *store = library();
    const int row = uid != 0 ? m_tracks.rowOfUid(uid) : -1;
    // A row already on its way out is not removed twice.
    if (m_isLocalOrder || !store || row < 0 || m_removedUids.contains(uid))
        return;
    // The order on screen reaches the server before the removal that counts on it.
    flushPendingOrder();
    m_removedUids.insert(uid);
    m_removingUids.insert(uid);
    runRemove(QPointer<PlaylistDetailViewModel>(this), QPointer<LibraryStore>(store), uid, row,
        m_tracks.songIds(), m_playlistId, rowUids());
}

QList<quint64> PlaylistDetailViewModel::rowUids() const
{
    QList<quint64> uids;
    uids.reserve(m_tracks.rowCount());
    for (const PlaylistEntry &entry : m_tracks.records())
        uids.append(entry.uid);
    return uids;
}

QList<PlaylistEntry> PlaylistDetailViewModel::rowsWithHidden() const
{
    QList<PlaylistEntry> rows = m_tracks.records();
    for (const HiddenRow &hidden : m_hiddenRows) {
        qsizetype at = 0;
        if (hidden.after != 0) {
            const auto above = std::find_if(rows.cbegin(), rows.cend(),
                [&hidden](const PlaylistEntry &e) { return e.uid == hidden.after; });
            at = above != rows.cend() ? above - rows.cbegin() + 1 : rows.size();
        }
        rows.insert(at, hidden.entry);
    }
    return rows;
}

QCoro::Task<> PlaylistDetailViewModel::runRemove(QPointer<PlaylistDetailViewModel> self,
    QPointer<LibraryStore> library, quint64 uid, int row, QStringList ids, QString id, QList<quint64> rows)
{
    if (!library)
        co_return;
    const int revision = library->playlistRevision();
    co_await library->removeSong(row, ids, id, rows);
    if (!self)
        co_return;
    self->m_removingUids.remove(uid);
    // Failed (the store raised no revision): the row may be removed again,
    // and the load the store asks for finds it in its place.
    if (library && library->playlistRevision() == revision)
        self->m_removedUids.remove(uid);
}

void PlaylistDetailViewModel::rename(const QString &text)
{
    const QString trimmed = TextTrimming::spacesAndTabs(text);
    LibraryStore *store = library();
    if (trimmed.isEmpty() || !store)
        return;
    flushPendingOrder();
    runRename(QPointer<PlaylistDetailViewModel>(this), QPointer<LibraryStore>(store), m_playlistId, trimmed);
}

QCoro::Task<> PlaylistDetailViewModel::runRename(
    QPointer<PlaylistDetailViewModel> self, QPointer<LibraryStore> library, QString id, QString name)
{
    if (!library)
        co_return;
    co_await library->renamePlaylist(id, name);
    if (self) {
        ++self->m_reloadToken;
        self->reload();
    }
}

void PlaylistDetailViewModel::deletePlaylist()
{
    LibraryStore *store = library();
    if (!store)
        return;
    // A playlist on its way out takes no more orders.
    m_saveTimer.stop();
    runDelete(
        QPointer<PlaylistDetailViewModel>(this), m_context, QPointer<LibraryStore>(store), m_playlistId);
}

QCoro::Task<> PlaylistDetailViewModel::runDelete(QPointer<PlaylistDetailViewModel> self,
    QPointer<PageContext> context, QPointer<LibraryStore> library, QString id)
{
    if (!library)
        co_return;
    const bool deleted = co_await library->deletePlaylist(id);
    Q_UNUSED(self);
    if (deleted && context)
        context->pageDeleted();
}

// MARK: - Drag reordering

void PlaylistDetailViewModel::beginDrag(int row)
{
    const PlaylistEntry *entry = m_tracks.recordAt(row);
    m_draggingUid = entry ? entry->uid : 0;
    m_tracks.setDraggingUid(m_draggingUid);
}

void PlaylistDetailViewModel::moveDraggedRow(int targetRow)
{
    if (m_isLocalOrder || m_draggingUid == 0)
        return;
    const int from = m_tracks.rowOfUid(m_draggingUid);
    if (from < 0 || !m_tracks.recordAt(targetRow) || from == targetRow)
        return;
    m_tracks.moveEntry(from, targetRow);
    Q_EMIT selectedRowChanged();
    takeSongs();
    scheduleSave();
}

void PlaylistDetailViewModel::dropDragged()
{
    endDrag();
    persistOrder();
}

void PlaylistDetailViewModel::endDrag()
{
    m_draggingUid = 0;
    m_tracks.setDraggingUid(0);
}

void PlaylistDetailViewModel::scheduleSave()
{
    if (m_isLocalOrder)
        return;
    takePendingOrder();
    m_saveTimer.start();
}

void PlaylistDetailViewModel::persistOrder()
{
    if (m_isLocalOrder)
        return;
    m_saveTimer.stop();
    takePendingOrder();
    sendOrder();
}

void PlaylistDetailViewModel::takePendingOrder()
{
    m_pendingOrder = m_songIds;
    m_pendingUids = rowUids();
}

void PlaylistDetailViewModel::flushPendingOrder()
{
    if (m_saveTimer.isActive()) {
        m_saveTimer.stop();
        sendOrder();
    }
}

void PlaylistDetailViewModel::sendOrder()
{
    LibraryStore *store = library();
    const QStringList order = std::exchange(m_pendingOrder, {});
    const QList<quint64> uids = std::exchange(m_pendingUids, {});
    if (!store)
        return;
    // Rows whose removal is still on its way are in the order as the page
    // shows them; the store leaves out those it has taken by the order's turn.
    saveOrder(QPointer<PlaylistDetailViewModel>(this), QPointer<LibraryStore>(store), m_playlistId, order,
        uids, ++m_saveGeneration);
}

QCoro::Task<> PlaylistDetailViewModel::saveOrder(QPointer<PlaylistDetailViewModel> self,
    QPointer<LibraryStore> library, QString id, QStringList ids, QList<quint64> rows, int generation)
{
    if (!library)
        co_return;
    const bool saved = co_await library->reorderPlaylist(id, ids, rows);
    if (!self)
        co_return;
    // A failure puts the server's order back on screen through the store,
    // which tells when no newer order is on its way.
    if (saved)
        self->reloadIfShownOrderStale(ids, generation);
}

void PlaylistDetailViewModel::reloadIfShownOrderStale(const QStringList &saved, int generation)
{
    if (generation != m_saveGeneration || m_saveTimer.isActive() || m_isLocalOrder)
        return;
    const QStringList shown = m_tracks.songIds();
    if (shown.mid(0, saved.size()) == saved)
        return;
    ++m_reloadToken;
    reload();
}

void PlaylistDetailViewModel::prepareRowMenu(int row)
{
    const PlaylistEntry *entry = m_tracks.recordAt(row);
    m_menuUid = entry ? entry->uid : 0;
    const std::optional<Song> song = entry ? std::optional<Song>(entry->song) : std::nullopt;
    m_rowLike->setSong(song);
    m_rowPlaylists->setSongs(song ? QList<Song> {*song} : QList<Song>());
}

int PlaylistDetailViewModel::menuRow() const
{
    return m_menuUid != 0 ? m_tracks.rowOfUid(m_menuUid) : -1;
}

void PlaylistDetailViewModel::menuPlayNext()
{
    if (const int row = menuRow(); row >= 0)
        playRowNext(row);
}

void PlaylistDetailViewModel::menuPlayLast()
{
    if (const int row = menuRow(); row >= 0)
        playRowLast(row);
}

void PlaylistDetailViewModel::menuRemove()
{
    removeEntry(m_menuUid);
}
