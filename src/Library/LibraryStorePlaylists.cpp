#include "LibraryStore.h"

// MARK: - Playlist edits

template<typename Result, typename... Params>
StoreFailure::Retry LibraryStore::retryOf(
    QCoro::Task<Result> (LibraryStore::*operation)(Params...), std::type_identity_t<Params>... arguments)
{
    return [store = QPointer<LibraryStore>(this), operation, arguments...] {
        return runRetry(store, operation, arguments...);
    };
}

template<typename Result, typename... Params>
QCoro::Task<> LibraryStore::runRetry(QPointer<LibraryStore> store,
    QCoro::Task<Result> (LibraryStore::*operation)(Params...), std::type_identity_t<Params>... arguments)
{
    if (!store)
        co_return;
    // A retry's own result (a delete's flag) is not wanted.
    co_await (store.data()->*operation)(std::move(arguments)...);
}

void LibraryStore::dropPlaylistDetail(const QString &id)
{
    ++m_playlistDrops[id];
    m_playlistDetails.remove(id);
    Q_EMIT playlistDetailsChanged();
}

void LibraryStore::storePlaylistDetail(const QString &id, const PlaylistDetail &detail)
{
    m_playlistDetails.insert(id, detail);
    Q_EMIT playlistDetailsChanged();
}

QCoro::Task<LibraryStore::Reload> LibraryStore::reloadPlaylists()
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const int issued = ++m_playlistReloadsIssued;
    const int epoch = m_epoch;
    Reload reload;
    std::optional<QList<Playlist>> playlists;
    try {
        QList<Playlist> answer = co_await client.playlists();
        playlists = std::move(answer);
    } catch (...) {
        // The edit itself succeeded; the old list stays until the next load.
        reload.error = std::current_exception();
    }
    // Answers may cross: only one newer than the last applied counts, and
    // none from before a refresh.
    if (self && playlists && m_epoch == epoch && issued > m_playlistReloadApplied) {
        m_playlistReloadApplied = issued;
        setPlaylists(*playlists);
    }
    co_return reload;
}

std::optional<QString> LibraryStore::newPlaylistId(
    const QList<Playlist> &playlists, const QString &name, const QSet<QString> &before)
{
    // The list's records carry no creation time. Of several playlists of that
    // name that were not there before, the last in the server's order is
    // taken: a server that lists playlists in creation order puts the newest
    // last, and no other order says more.
    std::optional<QString> id;
    for (const Playlist &playlist : playlists) {
        if (playlist.name == name && !before.contains(playlist.id))
            id = playlist.id;
    }
    return id;
}

QCoro::Task<std::optional<QString>> LibraryStore::createPlaylist(QString name)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    // The playlists known before the call: a server that does not send the
    // new playlist back has it found among those that were not there. (Before
    // the list was ever loaded, every playlist of that name is a candidate.)
    const QSet<QString> before = idsOf(m_playlists);
    std::exception_ptr error;
    std::optional<PlaylistDetail> created;
    try {
        std::optional<PlaylistDetail> answer = co_await client.createPlaylist(name);
        created = std::move(answer);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return created ? std::optional<QString>(created->id) : std::nullopt;
    if (error) {
        note(error, QStringLiteral("create the playlist"));
        co_return std::nullopt;
    }
    markReachable();
    const Reload reload = co_await reloadPlaylists();
    if (created)
        co_return created->id;
    if (!self)
        co_return std::nullopt;
    if (!reload.error) {
        if (std::optional<QString> id = newPlaylistId(m_playlists, name, before))
            co_return id;
    }
    // Created perhaps, but not to be found: the user is told, as for an
    // answer that could not be read.
    note(reload.error ? reload.error : std::make_exception_ptr(SubsonicError::invalidResponse()),
        QStringLiteral("create the playlist"));
    co_return std::nullopt;
}

template<typename... Params>
QCoro::Task<> LibraryStore::inPlaylistTurn(
    QString id, QCoro::Task<> (LibraryStore::*send)(Params...), std::type_identity_t<Params>... arguments)
{
    QPointer<LibraryStore> self(this);
    const int ticket = takePlaylistTicket(id);
    const bool turn = co_await awaitPlaylistTurn(id, ticket);
    if (!turn)
        co_return;
    co_await (this->*send)(std::move(arguments)...);
    if (self)
        finishPlaylistTurn(id);
}

QCoro::Task<> LibraryStore::renamePlaylist(QString id, QString name)
{
    return inPlaylistTurn(id, &LibraryStore::sendRename, id, name);
}

QCoro::Task<> LibraryStore::sendRename(QString id, QString name)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        co_await client.updatePlaylist(id, name, {}, {});
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        note(error, QStringLiteral("rename the playlist"), retryOf(&LibraryStore::renamePlaylist, id, name));
        co_return;
    }
    markReachable();
    dropPlaylistDetail(id);
    co_await reloadPlaylists();
}

QCoro::Task<bool> LibraryStore::deletePlaylist(QString id)
{
    QPointer<LibraryStore> self(this);
    // Order saves still waiting would only write to a playlist on its way out.
    m_playlistWrites[id].deleting = true;
    const int ticket = takePlaylistTicket(id);
    const bool turn = co_await awaitPlaylistTurn(id, ticket);
    if (!turn)
        co_return false;
    const bool deleted = co_await sendDelete(id);
    if (self) {
        // A playlist that is still there takes orders again; a deleted one
        // never does.
        if (!deleted)
            m_playlistWrites[id].deleting = false;
        finishPlaylistTurn(id);
    }
    co_return deleted;
}

QCoro::Task<bool> LibraryStore::sendDelete(QString id)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        co_await client.deletePlaylist(id);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return !error;
    if (error) {
        note(error, QStringLiteral("delete the playlist"), retryOf(&LibraryStore::deletePlaylist, id));
        co_return false;
    }
    markReachable();
    dropPlaylistDetail(id);
    QList<Playlist> playlists = m_playlists;
    playlists.removeIf([&id](const Playlist &playlist) { return playlist.id == id; });
    setPlaylists(playlists);
    co_return true;
}

QCoro::Task<> LibraryStore::addSongs(QList<Song> songs, QString playlistId)
{
    if (songs.isEmpty())
        co_return;
    co_await inPlaylistTurn(playlistId, &LibraryStore::sendAdd, songs, playlistId);
}

QCoro::Task<> LibraryStore::sendAdd(QList<Song> songs, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const QStringList ids = songIdsOf(songs);
    std::exception_ptr error;
    try {
        co_await client.updatePlaylist(playlistId, std::nullopt, ids, {});
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        // Perhaps applied all the same: the list is read again before it
        // is relied on.
        forgetServerList(playlistId);
        note(error, QStringLiteral("add to the playlist"),
            retryOf(&LibraryStore::retryAdd, songs, playlistId));
        co_return;
    }
    if (std::optional<QStringList> &told = m_playlistWrites[playlistId].lastTold)
        told->append(ids);
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    co_await reloadPlaylists();
}

QCoro::Task<std::optional<PlaylistDetail>> LibraryStore::freshPlaylist(
    QString playlistId, QString action, StoreFailure::Retry retry)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const int epoch = m_epoch;
    const int dropped = m_playlistDrops.value(playlistId);
    const int issued = m_playlistWrites.value(playlistId).issued;
    std::exception_ptr error;
    std::optional<PlaylistDetail> fresh;
    try {
        PlaylistDetail answer = co_await client.playlist(playlistId);
        fresh = std::move(answer);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return std::nullopt;
    if (error) {
        note(error, action, std::move(retry));
        co_return std::nullopt;
    }
    markReachable();
    // As for the page's loads: a copy from before a refresh or an edit of
    // the playlist is handed back, not kept.
    if (m_epoch == epoch && m_playlistDrops.value(playlistId) == dropped)
        storePlaylistDetail(playlistId, *fresh);
    noteServerSongIds(playlistId, fresh->entry.value_or(QList<Song>()), issued);
    co_return fresh;
}

QCoro::Task<> LibraryStore::retryAdd(QList<Song> songs, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const std::optional<PlaylistDetail> fresh = co_await freshPlaylist(playlistId,
        QStringLiteral("add to the playlist"), retryOf(&LibraryStore::retryAdd, songs, playlistId));
    if (!self || !fresh)
        co_return;
    const QSet<QString> present = idsOf(fresh->entry.value_or(QList<Song>()));
    QList<Song> missing;
    for (const Song &song : std::as_const(songs)) {
        if (!present.contains(song.id))
            missing.append(song);
    }
    if (missing.isEmpty())
        co_return;
    co_await addSongs(missing, playlistId);
}

QCoro::Task<> LibraryStore::addAlbum(Album album, QString playlistId)
{
    QList<Song> songs;
    if (album.song) {
        songs = *album.song;
    } else {
        QPointer<LibraryStore> self(this);
        std::exception_ptr error;
        std::optional<Album> detail;
        try {
            Album answer = co_await albumDetail(album.id);
            detail = std::move(answer);
        } catch (...) {
            error = std::current_exception();
        }
        if (!self)
            co_return;
        if (error) {
            note(error, QStringLiteral("add the album to the playlist"),
                retryOf(&LibraryStore::addAlbum, album, playlistId));
            co_return;
        }
        songs = detail->song.value_or(QList<Song>());
    }
    co_await addSongs(songs, playlistId);
}

QCoro::Task<> LibraryStore::removeSong(int index, QStringList songIds, QString playlistId)
{
    // A row the caller's list does not have names nothing to remove.
    if (index < 0 || index >= songIds.size())
        return []() -> QCoro::Task<> { co_return; }();
    return inPlaylistTurn(playlistId, &LibraryStore::sendRemove, index, songIds, playlistId);
}

QCoro::Task<> LibraryStore::sendRemove(int index, QStringList songIds, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    // The index goes by the order the server holds: the user may have acted
    // on an order that reached the server only since, or never (a failed
    // order save leaves it unknown, and it is read first).
    std::exception_ptr readError;
    const std::optional<QStringList> told = co_await serverSongIds(playlistId, readError);
    if (!self)
        co_return;
    if (readError) {
        note(readError, QStringLiteral("remove from the playlist"),
            retryOf(&LibraryStore::retryRemove, index, songIds, playlistId));
        co_return;
    }
    // A removal of ours the caller's list did not show yet (two rows removed
    // before the page loaded again) moves the rows after it up by one; the
    // row it took is not taken twice.
    if (told && *told != songIds && !followOwnRemovals(playlistId, index, songIds))
        co_return;
    if (told && *told != songIds) {
        const RemovalRetry target = removalRetryTarget(index, songIds, *told);
        if (!target.position) {
            // Not to be found in what the server holds: the retry looks again
            // in a fresh copy.
            note(std::make_exception_ptr(SubsonicError::invalidResponse()),
                QStringLiteral("remove from the playlist"),
                retryOf(&LibraryStore::retryRemove, index, songIds, playlistId));
            co_return;
        }
        index = *target.position;
        songIds = *told;
    }
    std::exception_ptr error;
    try {
        const QList<int> removeIndexes {index};
        co_await client.updatePlaylist(playlistId, std::nullopt, QStringList(), removeIndexes);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        forgetServerList(playlistId);
        note(error, QStringLiteral("remove from the playlist"),
            retryOf(&LibraryStore::retryRemove, index, songIds, playlistId));
        co_return;
    }
    noteOwnRemoval(playlistId, songIds, index);
    songIds.removeAt(index);
    m_playlistWrites[playlistId].lastTold = songIds;
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    co_await reloadPlaylists();
}

QCoro::Task<> LibraryStore::retryRemove(int index, QStringList songIds, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const std::optional<PlaylistDetail> fresh
        = co_await freshPlaylist(playlistId, QStringLiteral("remove from the playlist"),
            retryOf(&LibraryStore::retryRemove, index, songIds, playlistId));
    if (!self || !fresh)
        co_return;
    const QStringList current = songIdsOf(fresh->entry.value_or(QList<Song>()));
    if (current != songIds && !followOwnRemovals(playlistId, index, songIds))
        co_return;
    const RemovalRetry target = removalRetryTarget(index, songIds, current);
    if (!target.position)
        co_return;
    co_await removeSong(*target.position, current, playlistId);
}

LibraryStore::RemovalRetry LibraryStore::removalRetryTarget(
    int index, const QStringList &before, const QStringList &current)
{
    if (index < 0 || index >= before.size())
        return RemovalRetry::nothing();
    const QString &target = before.at(index);
    const qsizetype copiesBefore = before.mid(0, index).count(target);
    if (current.count(target) < before.count(target))
        return RemovalRetry::nothing();
    qsizetype seen = 0;
    for (qsizetype position = 0; position < current.size(); ++position) {
        if (current.at(position) != target)
            continue;
        if (seen == copiesBefore)
            return RemovalRetry::at(int(position));
        ++seen;
    }
    return RemovalRetry::nothing();
}

bool LibraryStore::followOwnRemovals(const QString &playlistId, int &index, QStringList &songIds) const
{
    const QList<OwnRemoval> removals = m_ownRemovals.value(playlistId);
    // From the newest removal made on the caller's list on, each made on the
    // list the one before left.
    qsizetype first = removals.size() - 1;
    while (first >= 0 && removals.at(first).before != songIds)
        --first;
    if (first < 0)
        return true;
    for (qsizetype i = first; i < removals.size() && removals.at(i).before == songIds; ++i) {
        const int removed = removals.at(i).index;
        if (removed == index)
            return false;
        if (removed < index)
            --index;
        songIds.removeAt(removed);
    }
    return true;
}

void LibraryStore::noteOwnRemoval(const QString &playlistId, const QStringList &before, int index)
{
    // A page reloads soon after a removal: only the latest few are looked at.
    constexpr qsizetype kept = 16;
    QList<OwnRemoval> &removals = m_ownRemovals[playlistId];
    removals.append({before, index});
    if (removals.size() > kept)
        removals.remove(0, removals.size() - kept);
}
