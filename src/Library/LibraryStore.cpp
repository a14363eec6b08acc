#include "LibraryStore.h"

Q_LOGGING_CATEGORY(lcLibrary, "lirna.library")

namespace {

QVariant optionalText(const std::optional<QString> &text)
{
    return text ? QVariant(*text) : QVariant();
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
    cancelAll();

    m_albumLists.clear();
    Q_EMIT albumListsChanged();
    updateHasCachedContent();

    setHomeRandomAlbums({});
    setHomeRandomError(std::nullopt);
    m_homeRandomLoaded = false;

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
