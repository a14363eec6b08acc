#include "LibraryStore.h"

#include <QScopeGuard>

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
    ++m_creating;
    std::optional<PlaylistDetail> created;
    // A create whose answer was lost is looked for before it is sent again.
    bool found = false;
    const Write create = [client, name, &created]() -> QCoro::Task<> {
        std::optional<PlaylistDetail> answer = co_await client.createPlaylist(name);
        created = std::move(answer);
    };
    const Check landed = [self, name, before, &found]() -> QCoro::Task<bool> {
        if (!self)
            co_return false;
        const Reload reload = co_await self->reloadPlaylists();
        found = self && !reload.error && newPlaylistId(self->m_playlists, name, before);
        co_return found;
    };
    const Settled sent = co_await sendSettled(create, landed);
    const std::exception_ptr error = sent.error;
    if (!self)
        co_return created ? std::optional<QString>(created->id) : std::nullopt;
    const auto settled = qScopeGuard([self] {
        if (!self)
            return;
        --self->m_creating;
        self->noteWritesIdle();
    });
    if (error) {
        note(error, QStringLiteral("create the playlist"));
        co_return std::nullopt;
    }
    markReachable();
    Reload reload;
    if (!found)
        reload = co_await reloadPlaylists();
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
    const Write rename = [client, id, name]() { return client.updatePlaylist(id, name, {}, {}); };
    const Check landed = [client, id, name]() -> QCoro::Task<bool> {
        const PlaylistDetail detail = co_await client.playlist(id);
        co_return detail.name == name;
    };
    const Settled sent = co_await sendSettled(rename, landed);
    const std::exception_ptr error = sent.error;
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
    const Write remove = [client, id]() { return client.deletePlaylist(id); };
    const Check landed = [client, id]() -> QCoro::Task<bool> {
        const QList<Playlist> playlists = co_await client.playlists();
        co_return std::none_of(playlists.begin(), playlists.end(),
            [&id](const Playlist &playlist) { return playlist.id == id; });
    };
    const Settled sent = co_await sendSettled(remove, landed);
    const std::exception_ptr error = sent.error;
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
    co_await addInTurn(songs, playlistId, std::nullopt);
}

QCoro::Task<> LibraryStore::retryAdd(QList<Song> songs, QString playlistId, QStringList before)
{
    return addInTurn(songs, playlistId, std::optional(before));
}

QCoro::Task<> LibraryStore::addInTurn(
    QList<Song> songs, QString playlistId, std::optional<QStringList> before)
{
    QPointer<LibraryStore> self(this);
    const int ticket = takePlaylistTicket(playlistId);
    m_playlistWrites[playlistId].adds.insert(ticket, {songs, before});
    const bool turn = co_await awaitPlaylistTurn(playlistId, ticket);
    if (!turn)
        co_return;
    co_await sendAdd(songs, playlistId, before, ticket);
    if (self)
        finishPlaylistTurn(playlistId);
}

QCoro::Task<> LibraryStore::sendAdd(
    QList<Song> songs, QString playlistId, std::optional<QStringList> before, int ticket)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const QStringList ids = songIdsOf(songs);
    const QString action = QStringLiteral("add to the playlist");
    // No longer on its way, before anyone hears how it went.
    const auto settle = [this, playlistId, ticket] { m_playlistWrites[playlistId].adds.remove(ticket); };
    // The list before the add, read first: what a retry, or an add whose
    // answer was lost, compares with to tell which copies are still to come.
    std::exception_ptr error;
    const std::optional<QStringList> held = co_await serverSongIds(playlistId, error, before.has_value());
    if (!self)
        co_return;
    if (error) {
        settle();
        Q_EMIT playlistEditRefused(playlistId);
        // Nothing went out: an add sent without that list could not be
        // settled once its answer was lost, and its retry would add again
        // what the server took. The retry reads first, as this add did.
        note(error, action,
            before ? retryOf(&LibraryStore::retryAdd, songs, playlistId, *before)
                   : retryOf(&LibraryStore::addSongs, songs, playlistId));
        co_return;
    }
    const QStringList base = before.value_or(*held);
    // A page that loads the list while the add goes tells by this list
    // whether the server has the songs yet.
    if (auto waiting = m_playlistWrites[playlistId].adds.find(ticket);
        waiting != m_playlistWrites[playlistId].adds.end())
        waiting->before = base;
    auto toSend = std::make_shared<QStringList>(before ? missingCopies(ids, base, *held) : ids);
    if (toSend->isEmpty()) {
        // A retry finds every copy there already.
        settle();
        markReachable();
        co_return;
    }
    const Write add = [client, playlistId, toSend]() {
        return client.updatePlaylist(playlistId, std::nullopt, *toSend, {});
    };
    const Check landed = [client, playlistId, ids, base, toSend]() -> QCoro::Task<bool> {
        const PlaylistDetail detail = co_await client.playlist(playlistId);
        *toSend = missingCopies(ids, base, songIdsOf(detail.entry.value_or(QList<Song>())));
        co_return toSend->isEmpty();
    };
    const Settled sent = co_await sendSettled(add, landed);
    error = sent.error;
    if (!self)
        co_return;
    settle();
    if (error) {
        // Perhaps applied all the same: the list is read again when shown.
        dropPlaylistDetail(playlistId);
        note(error, action, retryOf(&LibraryStore::retryAdd, songs, playlistId, base));
        Q_EMIT playlistEditRefused(playlistId);
        co_return;
    }
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    // The list of playlists is read once the writes asked for are done,
    // outside this turn.
    m_playlistsStale = true;
}

QStringList LibraryStore::missingCopies(
    const QStringList &ids, const QStringList &before, const QStringList &current)
{
    QHash<QString, qsizetype> wanted;
    for (const QString &id : ids)
        ++wanted[id];
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        it.value() += before.count(it.key()) - current.count(it.key());
    QStringList missing;
    for (const QString &id : ids) {
        qsizetype &left = wanted[id];
        if (left > 0) {
            --left;
            missing.append(id);
        }
    }
    return missing;
}

QCoro::Task<> LibraryStore::addAlbum(Album album, QString playlistId)
{
    return addAlbums({std::move(album)}, std::move(playlistId));
}

QCoro::Task<> LibraryStore::addAlbums(QList<Album> albums, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    // The adds are the user's from now on: every album takes its turn before
    // the first album's songs are looked up, so that the end of the run
    // waits for all of them (no gap between two albums looks settled) and
    // writes asked for later come after them.
    QList<int> tickets;
    tickets.reserve(albums.size());
    for (qsizetype i = 0; i < albums.size(); ++i)
        tickets.append(takePlaylistTicket(playlistId));
    for (qsizetype i = 0; i < albums.size(); ++i) {
        if (!self)
            co_return;
        co_await addAlbumInTurn(albums.at(i), playlistId, tickets.at(i));
    }
}

QCoro::Task<> LibraryStore::addAlbumInTurn(Album album, QString playlistId, int ticket)
{
    QPointer<LibraryStore> self(this);
    QList<Song> songs;
    std::exception_ptr error;
    if (album.song) {
        songs = *album.song;
    } else {
        try {
            Album answer = co_await albumDetail(album.id);
            songs = answer.song.value_or(QList<Song>());
        } catch (...) {
            error = std::current_exception();
        }
    }
    if (!self)
        co_return;
    if (!error && !songs.isEmpty())
        m_playlistWrites[playlistId].adds.insert(ticket, {songs, std::nullopt});
    const bool turn = co_await awaitPlaylistTurn(playlistId, ticket);
    if (!turn)
        co_return;
    if (error) {
        note(error, QStringLiteral("add the album to the playlist"),
            retryOf(&LibraryStore::addAlbum, album, playlistId));
    } else if (!songs.isEmpty()) {
        co_await sendAdd(songs, playlistId, std::nullopt, ticket);
    }
    if (self)
        finishPlaylistTurn(playlistId);
}

QCoro::Task<> LibraryStore::removeSong(
    int index, QStringList songIds, QString playlistId, QList<quint64> rows)
{
    // A row the caller's list does not have names nothing to remove.
    if (index < 0 || index >= songIds.size())
        co_return;
    QPointer<LibraryStore> self(this);
    const int ticket = takePlaylistTicket(playlistId);
    // On its way from now on: the playlist read meanwhile is shown without it.
    m_playlistWrites[playlistId].removals.insert(ticket, {index, songIds, rows});
    const bool turn = co_await awaitPlaylistTurn(playlistId, ticket);
    if (!turn)
        co_return;
    co_await sendRemove(index, songIds, playlistId, rows, ticket);
    if (self)
        finishPlaylistTurn(playlistId);
}

QCoro::Task<> LibraryStore::sendRemove(
    int index, QStringList songIds, QString playlistId, QList<quint64> rows, int ticket)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const QString action = QStringLiteral("remove from the playlist");
    const StoreFailure::Retry retry = retryOf(&LibraryStore::removeSong, index, songIds, playlistId, rows);
    // No longer on its way, before anyone hears how it went: a page that
    // loads the list then shows the row, or not, as the server does.
    const auto settle = [this, playlistId, ticket] { m_playlistWrites[playlistId].removals.remove(ticket); };
    // The user's row goes by song and copy in the list as the user sees it
    // now, then in the list as the server holds it: another device may have
    // added or removed songs since the page read it.
    int row = index;
    QStringList seen = songIds;
    bool gone = !followLandedRemovals(playlistId, rows, row, seen);
    std::exception_ptr error;
    std::optional<QStringList> held;
    if (!gone) {
        held = co_await serverSongIds(playlistId, error);
        if (!self)
            co_return;
        if (error) {
            settle();
            note(error, action, retry);
            Q_EMIT playlistEditRefused(playlistId);
            co_return;
        }
    }
    struct Target
    {
        std::optional<int> position;
        QStringList held;
    };
    auto target = std::make_shared<Target>();
    if (held) {
        target->held = *held;
        target->position = removalRetryTarget(row, seen, *held).position;
    }
    if (target->position) {
        // A removal whose answer was lost took the song when the server
        // holds one copy fewer of it; else it goes once more, to wherever
        // that copy is now.
        const Write remove = [client, playlistId, target]() {
            return client.updatePlaylist(
                playlistId, std::nullopt, QStringList(), QList<int> {*target->position});
        };
        const Check landed = [client, playlistId, target]() -> QCoro::Task<bool> {
            const PlaylistDetail detail = co_await client.playlist(playlistId);
            const QStringList now = songIdsOf(detail.entry.value_or(QList<Song>()));
            const RemovalRetry again = removalRetryTarget(*target->position, target->held, now);
            if (again.position) {
                target->position = again.position;
                target->held = now;
            }
            co_return !again.position;
        };
        const Settled sent = co_await sendSettled(remove, landed);
        error = sent.error;
        if (!self)
            co_return;
        if (error) {
            settle();
            dropPlaylistDetail(playlistId);
            note(error, action, retry);
            Q_EMIT playlistEditRefused(playlistId);
            co_return;
        }
    }
    // Removed now, or not on the server any more: either way the row is
    // gone, and the page shows the list as it is.
    settle();
    noteLandedRemoval(playlistId, rows, index);
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    m_playlistsStale = true;
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
