#include "LibraryStore.h"

#include <QCoreApplication>

#include "Support/Async.h"

Q_LOGGING_CATEGORY(lcLibrary, "lirna.library")

namespace {

QVariant optionalText(const std::optional<QString> &text)
{
    return text ? QVariant(*text) : QVariant();
}

template<typename Container> QSet<QString> idsOf(const Container &items)
{
    QSet<QString> ids;
    ids.reserve(items.size());
    for (const auto &item : items)
        ids.insert(item.id);
    return ids;
}

} // namespace

LibraryStore::LibraryStore(SubsonicClient client, QObject *parent)
    : QObject(parent)
    , m_client(std::move(client))
{ }

LibraryStore::~LibraryStore()
{
    // Abort the requests in flight; the loads see the cancellation and write
    // nothing more.
    cancelAll();
    // Order saves still waiting find the store gone and answer false.
    wakeOrderWaiters();
}

// MARK: - Plain setters: each notifies only on a real change.

void LibraryStore::setEpoch(int epoch)
{
    // The epoch always notifies: pages key their loading on it.
    m_epoch = epoch;
    Q_EMIT epochChanged();
}

void LibraryStore::setAlbumList(AlbumListType type, const AlbumListState &state)
{
    m_albumLists.insert(type, state);
    Q_EMIT albumListsChanged();
    updateHasCachedContent();
}

void LibraryStore::setArtistIndexes(const QList<ArtistIndex> &indexes)
{
    assign(m_artistIndexes, indexes, &LibraryStore::artistIndexesChanged);
}

void LibraryStore::setAllArtists(const QList<Artist> &artists)
{
    if (assign(m_allArtists, artists, &LibraryStore::allArtistsChanged))
        updateHasCachedContent();
}

void LibraryStore::setSongs(const QList<Song> &songs)
{
    if (assign(m_songs, songs, &LibraryStore::songsChanged))
        updateHasCachedContent();
}

void LibraryStore::appendSongs(const QList<Song> &page)
{
    if (page.isEmpty())
        return;
    const qsizetype first = m_songs.size();
    m_songs.append(page);
    Q_EMIT songsAppended(first, page.size());
    Q_EMIT songsChanged();
    updateHasCachedContent();
}

void LibraryStore::setStarredSongs(const QList<Song> &songs)
{
    if (assign(m_starredSongs, songs, &LibraryStore::starredSongsChanged))
        updateHasCachedContent();
}

void LibraryStore::setStarredIds(const QSet<QString> &ids)
{
    assign(m_starredIds, ids, &LibraryStore::starredIdsChanged);
}

void LibraryStore::setStarredAlbums(const QList<Album> &albums)
{
    if (assign(m_starredAlbums, albums, &LibraryStore::starredAlbumsChanged))
        updateHasCachedContent();
}

void LibraryStore::setStarredAlbumIds(const QSet<QString> &ids)
{
    assign(m_starredAlbumIds, ids, &LibraryStore::starredAlbumIdsChanged);
}

void LibraryStore::setStarredArtistIds(const QSet<QString> &ids)
{
    assign(m_starredArtistIds, ids, &LibraryStore::starredArtistIdsChanged);
}

void LibraryStore::setPlaylists(const QList<Playlist> &playlists)
{
    if (assign(m_playlists, playlists, &LibraryStore::playlistsChanged))
        updateHasCachedContent();
}

void LibraryStore::setHomeRandomAlbums(const QList<Album> &albums)
{
    if (assign(m_homeRandomAlbums, albums, &LibraryStore::homeRandomAlbumsChanged))
        updateHasCachedContent();
}

void LibraryStore::setHomeRandomError(const std::optional<QString> &error)
{
    assign(m_homeRandomError, error, &LibraryStore::homeRandomErrorChanged);
}

void LibraryStore::setHomeRandomTask(const TaskHandle &handle)
{
    assign(m_homeRandomTask, handle, &LibraryStore::homeRandomTaskChanged);
}

void LibraryStore::setReachability(const ServerReachability &reachability)
{
    assign(m_reachability, reachability, &LibraryStore::reachabilityChanged);
}

void LibraryStore::setLastFailure(const std::optional<StoreFailure> &failure)
{
    // Failures compare by id: a new failure always notifies, the same one never.
    assign(m_lastFailure, failure, &LibraryStore::lastFailureChanged);
}

void LibraryStore::setIsRetrying(bool retrying)
{
    assign(m_isRetrying, retrying, &LibraryStore::isRetryingChanged);
}

void LibraryStore::setPlaylistRevision(int revision)
{
    assign(m_playlistRevision, revision, &LibraryStore::playlistRevisionChanged);
}


void LibraryStore::updateHasCachedContent()
{
    bool cached = false;
    for (const AlbumListState &state : std::as_const(m_albumLists)) {
        if (!state.albums.isEmpty()) {
            cached = true;
            break;
        }
    }
    cached = cached || !m_homeRandomAlbums.isEmpty() || !m_allArtists.isEmpty() || !m_songs.isEmpty()
        || !m_starredSongs.isEmpty() || !m_starredAlbums.isEmpty() || !m_playlists.isEmpty();
    if (cached == m_hasCachedContent)
        return;
    m_hasCachedContent = cached;
    Q_EMIT hasCachedContentChanged();
}

QVariant LibraryStore::artistsErrorValue() const
{
    return optionalText(m_artistsError);
}

QVariant LibraryStore::songsErrorValue() const
{
    return optionalText(m_songsError);
}

QVariant LibraryStore::starredErrorValue() const
{
    return optionalText(m_starredError);
}

QVariant LibraryStore::playlistsErrorValue() const
{
    return optionalText(m_playlistsError);
}

QVariant LibraryStore::homeRandomErrorValue() const
{
    return optionalText(m_homeRandomError);
}

QVariant LibraryStore::lastFailureValue() const
{
    return m_lastFailure ? QVariant::fromValue(*m_lastFailure) : QVariant();
}

void LibraryStore::setLastFailureValue(const QVariant &value)
{
    if (value.canConvert<StoreFailure>() && value.metaType() == QMetaType::fromType<StoreFailure>())
        setLastFailure(value.value<StoreFailure>());
    else
        setLastFailure(std::nullopt);
}

// MARK: - Reachability

void LibraryStore::markReachable()
{
    setReachability(ServerReachability::ok());
}

void LibraryStore::noteLoadFault(const std::exception_ptr &error)
{
    const ConnectionFault fault = ConnectionFault::fromError(error);
    if (fault.marksServerFailing())
        setReachability(ServerReachability::failing(fault));
}

// MARK: - Whole collections

TaskHandle &LibraryStore::taskOf(Collection collection)
{
    switch (collection) {
    case Collection::Artists:
        return m_artistsTask;
    case Collection::Songs:
        return m_songsTask;
    case Collection::Starred:
        return m_starredTask;
    case Collection::Playlists:
        break;
    }
    return m_playlistsTask;
}

void LibraryStore::setCollectionLoaded(Collection collection, bool loaded)
{
    switch (collection) {
    case Collection::Artists:
        assign(m_artistsLoaded, loaded, &LibraryStore::artistsLoadedChanged);
        return;
    case Collection::Songs:
        assign(m_songsLoaded, loaded, &LibraryStore::songsLoadedChanged);
        return;
    case Collection::Starred:
        assign(m_starredLoaded, loaded, &LibraryStore::starredLoadedChanged);
        return;
    case Collection::Playlists:
        assign(m_playlistsLoaded, loaded, &LibraryStore::playlistsLoadedChanged);
        return;
    }
}

void LibraryStore::setCollectionError(Collection collection, const std::optional<QString> &error)
{
    switch (collection) {
    case Collection::Artists:
        assign(m_artistsError, error, &LibraryStore::artistsErrorChanged);
        return;
    case Collection::Songs:
        assign(m_songsError, error, &LibraryStore::songsErrorChanged);
        return;
    case Collection::Starred:
        assign(m_starredError, error, &LibraryStore::starredErrorChanged);
        return;
    case Collection::Playlists:
        assign(m_playlistsError, error, &LibraryStore::playlistsErrorChanged);
        return;
    }
}

void LibraryStore::ensureArtistsLoaded()
{
    if (m_artistsLoaded)
        return;
    startCollectionLoad(Collection::Artists);
}

void LibraryStore::ensureSongsLoaded()
{
    if (m_songsLoaded)
        return;
    startCollectionLoad(Collection::Songs);
}

void LibraryStore::ensureStarredLoaded()
{
    if (m_starredLoaded)
        return;
    startCollectionLoad(Collection::Starred);
}

void LibraryStore::ensurePlaylistsLoaded()
{
    if (m_playlistsLoaded)
        return;
    startCollectionLoad(Collection::Playlists);
}

void LibraryStore::startCollectionLoad(Collection collection)
{
    TaskHandle &task = taskOf(collection);
    if (!task.isNull())
        return;
    const TaskHandle handle = TaskHandle::create();
    task = handle;
    Async::startQueued(this, [this, collection, handle] {
        switch (collection) {
        case Collection::Artists:
            runCollectionLoad(Collection::Artists, m_client.artists(handle), handle, &LibraryStore::applyArtists);
            return;
        case Collection::Songs:
            runSongsLoad(handle);
            return;
        case Collection::Starred:
            runCollectionLoad(Collection::Starred, m_client.starred(handle), handle, &LibraryStore::applyStarred);
            return;
        case Collection::Playlists:
            runCollectionLoad(
                Collection::Playlists, m_client.playlists(handle), handle, &LibraryStore::setPlaylists);
            return;
        }
    });
}

void LibraryStore::finishCollectionTask(Collection collection, const TaskHandle &handle)
{
    // Only a task's own handle is cleared: a load cancelled by refresh() whose
    // answer arrives after a new load started must not make the new one look
    // finished (a further call would then start a duplicate load).
    TaskHandle &task = taskOf(collection);
    if (task == handle)
        task = TaskHandle();
}

void LibraryStore::failCollection(Collection collection, const std::exception_ptr &error)
{
    noteLoadFault(error);
    setCollectionError(collection, ConnectionFault::describe(error));
    setCollectionLoaded(collection, true);
}

template<typename T>
QCoro::Task<> LibraryStore::runCollectionLoad(
    Collection collection, QCoro::Task<T> request, TaskHandle handle, void (LibraryStore::*apply)(const T &))
{
    QPointer<LibraryStore> self(this);
    std::exception_ptr error;
    std::optional<T> answer;
    try {
        T value = co_await std::move(request);
        answer = std::move(value);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (!handle.isCancelled()) {
        if (error) {
            failCollection(collection, error);
        } else {
            markReachable();
            (this->*apply)(*answer);
            setCollectionLoaded(collection, true);
        }
    }
    finishCollectionTask(collection, handle);
}

void LibraryStore::applyArtists(const QList<ArtistIndex> &indexes)
{
    QList<Artist> all;
    for (const ArtistIndex &index : indexes)
        all.append(index.artist);
    setArtistIndexes(indexes);
    setAllArtists(all);
}

void LibraryStore::applyStarred(const SearchResult &result)
{
    const QList<Song> songs = result.song.value_or(QList<Song>());
    const QList<Album> albums = result.album.value_or(QList<Album>());
    const QList<Artist> artists = result.artist.value_or(QList<Artist>());
    setStarredSongs(songs);
    setStarredIds(idsOf(songs));
    setStarredAlbums(albums);
    setStarredAlbumIds(idsOf(albums));
    setStarredArtistIds(idsOf(artists));
}

QCoro::Task<> LibraryStore::runSongsLoad(TaskHandle handle)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    // While this load is the live one, `m_songs` holds exactly what it has
    // published (refresh() cancels it before emptying the list), so each page
    // is appended in place rather than copying the pages already shown.
    qsizetype accumulated = 0;
    bool stopped = false; // cancelled or failed: nothing more is written
    while (accumulated < SongLimit) {
        std::exception_ptr error;
        QList<Song> page;
        try {
            page = co_await client.songs(SongPageSize, int(accumulated), handle);
        } catch (...) {
            error = std::current_exception();
        }
        if (!self)
            co_return;
        if (handle.isCancelled()) {
            stopped = true;
            break;
        }
        if (error) {
            failCollection(Collection::Songs, error);
            stopped = true;
            break;
        }
        accumulated += page.size();
        appendSongs(page);
        if (page.size() < SongPageSize)
            break;
    }
    if (!stopped) {
        markReachable();
        setCollectionLoaded(Collection::Songs, true);
    }
    finishCollectionTask(Collection::Songs, handle);
}

// MARK: - Refresh

void LibraryStore::cancelAll()
{
    // Handles are taken out of the tables before they are cancelled: an abort
    // can resume the waiting load at once, and it must find nothing of its own.
    const QList<TaskHandle> albumTasks = m_albumTasks.values();
    m_albumTasks.clear();
    for (TaskHandle handle : albumTasks)
        handle.cancel();
    for (TaskHandle *task : {&m_artistsTask, &m_songsTask, &m_starredTask, &m_playlistsTask}) {
        TaskHandle handle = *task;
        *task = TaskHandle();
        handle.cancel();
    }
    TaskHandle random = m_homeRandomTask;
    setHomeRandomTask(TaskHandle());
    random.cancel();
}

void LibraryStore::refresh()
{
    const QList<TaskHandle> albumTasks = m_albumTasks.values();
    m_albumTasks.clear();
    for (TaskHandle handle : albumTasks)
        handle.cancel();
    for (TaskHandle *task : {&m_artistsTask, &m_songsTask, &m_starredTask, &m_playlistsTask}) {
        TaskHandle handle = *task;
        *task = TaskHandle();
        handle.cancel();
    }

    m_albumLists.clear();
    Q_EMIT albumListsChanged();
    updateHasCachedContent();

    setHomeRandomAlbums({});
    setHomeRandomError(std::nullopt);
    m_homeRandomLoaded = false;
    TaskHandle random = m_homeRandomTask;
    setHomeRandomTask(TaskHandle());
    random.cancel();

    setArtistIndexes({});
    setAllArtists({});
    setCollectionLoaded(Collection::Artists, false);
    setCollectionError(Collection::Artists, std::nullopt);

    setSongs({});
    setCollectionLoaded(Collection::Songs, false);
    setCollectionError(Collection::Songs, std::nullopt);

    setStarredSongs({});
    setCollectionLoaded(Collection::Starred, false);
    setCollectionError(Collection::Starred, std::nullopt);
    setStarredIds({});
    setStarredAlbums({});
    setStarredAlbumIds({});
    setStarredArtistIds({});

    // The playlist list stays: the sidebar shows it until a new load replaces it.
    setCollectionLoaded(Collection::Playlists, false);
    setCollectionError(Collection::Playlists, std::nullopt);

    if (!m_albumDetails.isEmpty()) {
        m_albumDetails.clear();
        Q_EMIT albumDetailsChanged();
    }
    if (!m_artistDetails.isEmpty()) {
        m_artistDetails.clear();
        Q_EMIT artistDetailsChanged();
    }
    m_playlistDetails.clear();
    Q_EMIT playlistDetailsChanged();

    setEpoch(m_epoch + 1);
}

// MARK: - Album lists and home rows

AlbumListState LibraryStore::albumList(AlbumListType type) const
{
    return m_albumLists.value(type);
}

void LibraryStore::loadMoreAlbums(AlbumListType type)
{
    const AlbumListState state = albumList(type);
    if (state.reachedEnd)
        return;
    if (m_albumTasks.contains(type))
        return;
    AlbumListState loading;
    loading.albums = state.albums;
    loading.isLoading = true;
    setAlbumList(type, loading);
    const TaskHandle handle = TaskHandle::create();
    m_albumTasks.insert(type, handle);
    Async::startQueued(this, [this, type, handle] { runAlbumPage(type, handle); });
}

QCoro::Task<> LibraryStore::runAlbumPage(AlbumListType type, TaskHandle handle)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    // The offset is read when the page task runs, not when it was asked for.
    const int offset = int(albumList(type).albums.size());
    std::exception_ptr error;
    QList<Album> page;
    try {
        page = co_await client.albums(type, AlbumPageSize, offset, handle);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (!handle.isCancelled()) {
        AlbumListState state = albumList(type);
        if (error) {
            noteLoadFault(error);
            state.isLoading = false;
            state.errorMessage = ConnectionFault::describe(error);
        } else {
            markReachable();
            const QSet<QString> known = idsOf(state.albums);
            for (const Album &album : std::as_const(page)) {
                if (!known.contains(album.id))
                    state.albums.append(album);
            }
            state.reachedEnd = page.size() < AlbumPageSize;
            state.isLoading = false;
        }
        setAlbumList(type, state);
    }
    // Only this task's own entry goes: a page cancelled by refresh() must not
    // remove the entry of the page that replaced it.
    if (auto it = m_albumTasks.find(type); it != m_albumTasks.end() && *it == handle)
        m_albumTasks.erase(it);
}

AlbumListState LibraryStore::homeRowState(AlbumListType type) const
{
    if (type != AlbumListType::Random)
        return albumList(type);
    AlbumListState state;
    state.albums = m_homeRandomAlbums;
    state.reachedEnd = true;
    state.isLoading = !m_homeRandomTask.isNull();
    state.errorMessage = m_homeRandomError;
    return state;
}

void LibraryStore::ensureHomeRow(AlbumListType type)
{
    if (type == AlbumListType::Random) {
        ensureHomeRandomLoaded();
        return;
    }
    if (albumList(type).albums.isEmpty() && !m_albumTasks.contains(type))
        loadMoreAlbums(type);
}

void LibraryStore::ensureHomeRandomLoaded()
{
    if (!m_homeRandomTask.isNull())
        return;
    if (m_homeRandomLoaded && !m_homeRandomError)
        return;
    setHomeRandomError(std::nullopt);
    const TaskHandle handle = TaskHandle::create();
    setHomeRandomTask(handle);
    Async::startQueued(this, [this, handle] { runHomeRandom(handle); });
}

QCoro::Task<> LibraryStore::runHomeRandom(TaskHandle handle)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    QList<Album> albums;
    try {
        albums = co_await client.albums(AlbumListType::Random, HomeRandomSize, 0, handle);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (!handle.isCancelled()) {
        if (error) {
            noteLoadFault(error);
            setHomeRandomError(ConnectionFault::describe(error));
        } else {
            markReachable();
            setHomeRandomAlbums(albums);
        }
        m_homeRandomLoaded = true;
    }
    if (m_homeRandomTask == handle)
        setHomeRandomTask(TaskHandle());
}

// MARK: - Details and discography

template<typename Record, typename Fetch>
QCoro::Task<Record> LibraryStore::detail(
    QHash<QString, Record> LibraryStore::*cache, void (LibraryStore::*changed)(), QString id, Fetch fetch)
{
    if (auto it = (this->*cache).constFind(id); it != (this->*cache).constEnd())
        co_return *it;
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const int epoch = m_epoch;
    Record record = co_await (client.*fetch)(id, TaskHandle());
    // An answer that arrives after refresh() belongs to the library as it was:
    // the caller gets it, the emptied cache does not.
    if (self && m_epoch == epoch) {
        (this->*cache).insert(id, record);
        Q_EMIT(this->*changed)();
    }
    co_return record;
}

QCoro::Task<Album> LibraryStore::albumDetail(QString id)
{
    return detail(&LibraryStore::m_albumDetails, &LibraryStore::albumDetailsChanged, std::move(id),
        &SubsonicClient::album);
}

QCoro::Task<ArtistDetail> LibraryStore::artistDetail(QString id)
{
    return detail(&LibraryStore::m_artistDetails, &LibraryStore::artistDetailsChanged, std::move(id),
        &SubsonicClient::artist);
}

QCoro::Task<PlaylistDetail> LibraryStore::playlistDetail(QString id)
{
    return detail(&LibraryStore::m_playlistDetails, &LibraryStore::playlistDetailsChanged, std::move(id),
        &SubsonicClient::playlist);
}

QList<Album> LibraryStore::discographyOrder(const QList<Album> &albums)
{
    QList<Album> ordered = albums;
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const Album &a, const Album &b) { return a.year.value_or(0) > b.year.value_or(0); });
    return ordered;
}

QList<Song> LibraryStore::discographySongs(const QList<Album> &albums)
{
    QList<Song> songs;
    for (const Album &album : albums) {
        if (album.song)
            songs.append(*album.song);
    }
    return songs;
}

QCoro::Task<QList<Song>> LibraryStore::artistDiscographySongs(QString id)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const ArtistDetail artist = co_await artistDetail(id);
    const QList<Album> ordered = discographyOrder(artist.album.value_or(QList<Album>()));
    QList<Album> used;
    for (const Album &album : ordered) {
        if (self) {
            if (auto it = m_albumDetails.constFind(album.id); it != m_albumDetails.constEnd()) {
                used.append(*it);
                continue;
            }
        }
        const int epoch = self ? m_epoch : -1;
        std::optional<Album> fetched;
        try {
            Album answer = co_await client.album(album.id);
            fetched = std::move(answer);
        } catch (...) {
            // An album that cannot be had is left out of the discography.
        }
        if (!fetched)
            continue;
        if (self && m_epoch == epoch) {
            m_albumDetails.insert(album.id, *fetched);
            Q_EMIT albumDetailsChanged();
        }
        used.append(*fetched);
    }
    co_return discographySongs(used);
}

// MARK: - Failure recording and retry

void LibraryStore::note(const std::exception_ptr &error, const QString &action, StoreFailure::Retry retry)
{
    const ConnectionFault fault = ConnectionFault::fromError(error);
    if (fault.marksServerFailing())
        setReachability(ServerReachability::failing(fault));
    setLastFailure(StoreFailure(QUuid::createUuid(), action, fault, std::move(retry)));
    // The error texts never carry a request URL (it holds a replayable token).
    const QString line = action + QStringLiteral(" failed: ") + ConnectionFault::describe(error);
    qCWarning(lcLibrary).noquote() << line;
}

QCoro::Task<> LibraryStore::retryLastFailure()
{
    if (!m_lastFailure)
        co_return;
    const StoreFailure::Retry retry = m_lastFailure->retry();
    if (!retry)
        co_return;
    setLastFailure(std::nullopt);
    co_await retry();
}

QCoro::Task<> LibraryStore::retryConnection()
{
    if (m_isRetrying)
        co_return;
    setIsRetrying(true);
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        co_await client.ping();
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        noteLoadFault(error);
    } else {
        markReachable();
        setLastFailure(std::nullopt);
        refresh();
    }
    setIsRetrying(false);
}

// MARK: - Likes

QString LibraryStore::LikeTarget::key() const
{
    switch (kind) {
    case LikeKind::Song:
        return QStringLiteral("song:") + id;
    case LikeKind::Album:
        return QStringLiteral("album:") + id;
    case LikeKind::Artist:
        break;
    }
    return QStringLiteral("artist:") + id;
}

LibraryStore::LikeTarget LibraryStore::songTarget(const Song &song)
{
    LikeTarget target;
    target.kind = LikeKind::Song;
    target.id = song.id;
    target.song = song;
    return target;
}

LibraryStore::LikeTarget LibraryStore::albumTarget(const Album &album)
{
    LikeTarget target;
    target.kind = LikeKind::Album;
    target.id = album.id;
    target.album = album;
    return target;
}

LibraryStore::LikeTarget LibraryStore::artistTarget(const QString &id)
{
    LikeTarget target;
    target.kind = LikeKind::Artist;
    target.id = id;
    return target;
}

bool LibraryStore::isStarred(const Song &song) const
{
    return m_starredIds.contains(song.id);
}

bool LibraryStore::isStarredAlbum(const Album &album) const
{
    return m_starredAlbumIds.contains(album.id);
}

bool LibraryStore::isStarredArtist(const QString &id) const
{
    return m_starredArtistIds.contains(id);
}

bool LibraryStore::likeState(const LikeTarget &target) const
{
    switch (target.kind) {
    case LikeKind::Song:
        return m_starredIds.contains(target.id);
    case LikeKind::Album:
        return m_starredAlbumIds.contains(target.id);
    case LikeKind::Artist:
        break;
    }
    return m_starredArtistIds.contains(target.id);
}

void LibraryStore::apply(bool starred, const Song &song)
{
    QSet<QString> ids = m_starredIds;
    QList<Song> songs = m_starredSongs;
    if (starred) {
        ids.insert(song.id);
        const bool listed
            = std::any_of(songs.cbegin(), songs.cend(), [&song](const Song &s) { return s.id == song.id; });
        if (!listed)
            songs.prepend(song);
    } else {
        ids.remove(song.id);
        songs.removeIf([&song](const Song &s) { return s.id == song.id; });
    }
    setStarredIds(ids);
    setStarredSongs(songs);
}

void LibraryStore::applyAlbum(bool starred, const Album &album)
{
    QSet<QString> ids = m_starredAlbumIds;
    QList<Album> albums = m_starredAlbums;
    if (starred) {
        ids.insert(album.id);
        const bool listed = std::any_of(
            albums.cbegin(), albums.cend(), [&album](const Album &a) { return a.id == album.id; });
        if (!listed)
            albums.prepend(album);
    } else {
        ids.remove(album.id);
        albums.removeIf([&album](const Album &a) { return a.id == album.id; });
    }
    setStarredAlbumIds(ids);
    setStarredAlbums(albums);
}

void LibraryStore::applyArtist(bool starred, const QString &id)
{
    QSet<QString> ids = m_starredArtistIds;
    if (starred)
        ids.insert(id);
    else
        ids.remove(id);
    setStarredArtistIds(ids);
}

void LibraryStore::applyLike(const LikeTarget &target, bool starred)
{
    switch (target.kind) {
    case LikeKind::Song:
        apply(starred, target.song);
        return;
    case LikeKind::Album:
        applyAlbum(starred, target.album);
        return;
    case LikeKind::Artist:
        applyArtist(starred, target.id);
        return;
    }
}

void LibraryStore::toggleStar(const Song &song)
{
    changeLike(songTarget(song), !isStarred(song));
}

void LibraryStore::toggleStarAlbum(const Album &album)
{
    changeLike(albumTarget(album), !isStarredAlbum(album));
}

void LibraryStore::toggleStarArtist(const QString &id)
{
    changeLike(artistTarget(id), !isStarredArtist(id));
}

void LibraryStore::changeLike(const LikeTarget &target, bool starred)
{
    // The first change of a burst remembers the state it started from: as far
    // as the store knows, that is what the server holds.
    auto it = m_likeBursts.find(target.key());
    if (it == m_likeBursts.end())
        it = m_likeBursts.insert(target.key(), LikeBurst {likeState(target), 0, false});
    ++it->inFlight;
    applyLike(target, starred);
    Async::startQueued(this, [this, target, starred] { sendLike(target, starred); });
}

QCoro::Task<> LibraryStore::sendLike(LikeTarget target, bool starred)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        switch (target.kind) {
        case LikeKind::Song:
            co_await client.setStarred(starred, target.id);
            break;
        case LikeKind::Album:
            co_await client.setStarredAlbumId(starred, target.id);
            break;
        case LikeKind::Artist:
            co_await client.setStarredArtistId(starred, target.id);
            break;
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;

    const QString key = target.key();
    LikeBurst burst = m_likeBursts.value(key);
    --burst.inFlight;
    if (error)
        burst.failed = true;
    else
        burst.confirmed = starred;
    if (burst.inFlight > 0) {
        m_likeBursts.insert(key, burst);
    } else {
        m_likeBursts.remove(key);
        // Once every change of the item is answered and one of them failed,
        // the item shows what the server last confirmed. Rolling each failure
        // back on its own could leave it opposite to the server when answers
        // cross.
        if (burst.failed)
            applyLike(target, burst.confirmed);
    }

    if (error) {
        StoreFailure::Retry retry = [store = QPointer<LibraryStore>(this), target, starred] {
            return retryLike(store, target, starred);
        };
        note(error, QStringLiteral("update your likes"), std::move(retry));
    } else {
        markReachable();
    }
}

QCoro::Task<> LibraryStore::retryLike(QPointer<LibraryStore> store, LikeTarget target, bool starred)
{
    // The retry re-applies the value that failed; when the item has it already
    // (the user changed it by hand meanwhile) there is nothing to redo.
    if (!store || store->likeState(target) == starred)
        co_return;
    store->changeLike(target, starred);
}

// MARK: - Playlist edits

void LibraryStore::dropPlaylistDetail(const QString &id)
{
    m_playlistDetails.remove(id);
    Q_EMIT playlistDetailsChanged();
}

void LibraryStore::storePlaylistDetail(const QString &id, const PlaylistDetail &detail)
{
    m_playlistDetails.insert(id, detail);
    Q_EMIT playlistDetailsChanged();
}

QCoro::Task<> LibraryStore::reloadPlaylists()
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::optional<QList<Playlist>> playlists;
    try {
        QList<Playlist> answer = co_await client.playlists();
        playlists = std::move(answer);
    } catch (...) {
        // The edit itself succeeded; the old list stays until the next load.
    }
    if (self && playlists)
        setPlaylists(*playlists);
}

QCoro::Task<std::optional<QString>> LibraryStore::createPlaylist(QString name)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    std::optional<PlaylistDetail> created;
    try {
        PlaylistDetail answer = co_await client.createPlaylist(name);
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
    co_await reloadPlaylists();
    co_return created->id;
}

QCoro::Task<> LibraryStore::renamePlaylist(QString id, QString name)
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
        StoreFailure::Retry retry = [store = QPointer<LibraryStore>(this), id, name]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return store->renamePlaylist(id, name);
        };
        note(error, QStringLiteral("rename the playlist"), std::move(retry));
        co_return;
    }
    markReachable();
    dropPlaylistDetail(id);
    co_await reloadPlaylists();
}

QCoro::Task<bool> LibraryStore::deletePlaylist(QString id)
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
        StoreFailure::Retry retry = [store = QPointer<LibraryStore>(this), id]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return [](QCoro::Task<bool> deletion) -> QCoro::Task<> { co_await std::move(deletion); }(
                                                      store->deletePlaylist(id));
        };
        note(error, QStringLiteral("delete the playlist"), std::move(retry));
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
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    QStringList ids;
    for (const Song &song : std::as_const(songs))
        ids.append(song.id);
    std::exception_ptr error;
    try {
        co_await client.updatePlaylist(playlistId, std::nullopt, ids, {});
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        StoreFailure::Retry retry
            = [store = QPointer<LibraryStore>(this), songs, playlistId]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return store->retryAdd(songs, playlistId);
        };
        note(error, QStringLiteral("add to the playlist"), std::move(retry));
        co_return;
    }
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    co_await reloadPlaylists();
}

QCoro::Task<> LibraryStore::retryAdd(QList<Song> songs, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    std::optional<PlaylistDetail> fresh;
    try {
        PlaylistDetail answer = co_await client.playlist(playlistId);
        fresh = std::move(answer);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        StoreFailure::Retry retry
            = [store = QPointer<LibraryStore>(this), songs, playlistId]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return store->retryAdd(songs, playlistId);
        };
        note(error, QStringLiteral("add to the playlist"), std::move(retry));
        co_return;
    }
    markReachable();
    storePlaylistDetail(playlistId, *fresh);
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
            StoreFailure::Retry retry
                = [store = QPointer<LibraryStore>(this), album, playlistId]() -> QCoro::Task<> {
                if (!store)
                    return []() -> QCoro::Task<> { co_return; }();
                return store->addAlbum(album, playlistId);
            };
            note(error, QStringLiteral("add the album to the playlist"), std::move(retry));
            co_return;
        }
        songs = detail->song.value_or(QList<Song>());
    }
    co_await addSongs(songs, playlistId);
}

QCoro::Task<> LibraryStore::removeSong(int index, QStringList songIds, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
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
        StoreFailure::Retry retry
            = [store = QPointer<LibraryStore>(this), index, songIds, playlistId]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return store->retryRemove(index, songIds, playlistId);
        };
        note(error, QStringLiteral("remove from the playlist"), std::move(retry));
        co_return;
    }
    markReachable();
    dropPlaylistDetail(playlistId);
    setPlaylistRevision(m_playlistRevision + 1);
    co_await reloadPlaylists();
}

QCoro::Task<> LibraryStore::retryRemove(int index, QStringList songIds, QString playlistId)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    std::optional<PlaylistDetail> fresh;
    try {
        PlaylistDetail answer = co_await client.playlist(playlistId);
        fresh = std::move(answer);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        StoreFailure::Retry retry
            = [store = QPointer<LibraryStore>(this), index, songIds, playlistId]() -> QCoro::Task<> {
            if (!store)
                return []() -> QCoro::Task<> { co_return; }();
            return store->retryRemove(index, songIds, playlistId);
        };
        note(error, QStringLiteral("remove from the playlist"), std::move(retry));
        co_return;
    }
    markReachable();
    storePlaylistDetail(playlistId, *fresh);
    QStringList current;
    for (const Song &song : fresh->entry.value_or(QList<Song>()))
        current.append(song.id);
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

void LibraryStore::wakeOrderWaiters()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    const QList<std::coroutine_handle<>> handles = std::exchange(m_orderWaiters->handles, {});
    // Resumed from the event loop, never inside the caller: a waiter may start
    // the next save, and the store may be on its way out.
    for (std::coroutine_handle<> handle : handles)
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}

QCoro::Task<bool> LibraryStore::reorderPlaylist(QString id, QStringList songIds)
{
    QPointer<LibraryStore> self(this);
    const std::shared_ptr<OrderWaiters> waiters = m_orderWaiters;
    int ticket = 0;
    {
        OrderSaves &saves = m_orderSaves[id];
        ticket = ++saves.requested;
        saves.latest = songIds;
    }
    // Wait while another save of this playlist runs; a save that started
    // after this order was asked for carried it (or a newer one).
    while (true) {
        bool running = false;
        std::optional<bool> answered;
        if (auto it = m_orderSaves.constFind(id); it != m_orderSaves.constEnd()) {
            running = it->running;
            if (it->saved >= ticket)
                answered = it->savedResult;
        }
        if (answered)
            co_return *answered;
        if (!running)
            break;
        OrderSaveAwaiter turn;
        turn.waiters = waiters;
        co_await turn;
        if (!self)
            co_return false;
    }

    QStringList order;
    int carried = 0;
    {
        OrderSaves &saves = m_orderSaves[id];
        saves.running = true;
        order = saves.latest;
        carried = saves.requested;
    }
    const SubsonicClient client = m_client;
    std::exception_ptr error;
    try {
        co_await client.replacePlaylistSongs(id, order);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return !error;
    {
        OrderSaves &saves = m_orderSaves[id];
        saves.running = false;
        saves.saved = carried;
        saves.savedResult = !error;
    }
    wakeOrderWaiters();
    if (error) {
        note(error, QStringLiteral("save the new order"));
        co_return false;
    }
    markReachable();
    dropPlaylistDetail(id);
    co_return true;
}
