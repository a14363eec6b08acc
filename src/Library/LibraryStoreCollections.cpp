#include "LibraryStore.h"

#include "Support/Async.h"

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
            runCollectionLoad(
                Collection::Artists, m_client.artists(handle), handle, &LibraryStore::applyArtists);
            return;
        case Collection::Songs:
            runSongsLoad(handle);
            return;
        case Collection::Starred:
            // Likes changed from here on are newer than the list, and so
            // may be those still out, answered or not when it lands.
            m_likeTicketAtStarredRequest = m_likeTickets;
            m_likesOutAtStarredRequest.clear();
            for (auto it = m_likeBursts.cbegin(); it != m_likeBursts.cend(); ++it)
                m_likesOutAtStarredRequest.insert(it.key());
            runCollectionLoad(
                Collection::Starred, m_client.starred(handle), handle, &LibraryStore::applyStarred);
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
    QList<Song> songs = result.song.value_or(QList<Song>());
    QList<Album> albums = result.album.value_or(QList<Album>());
    QSet<QString> artistIds = idsOf(result.artist.value_or(QList<Artist>()));
    keepLikesNewerThanList(songs, albums, artistIds);
    setStarredSongs(songs);
    setStarredIds(idsOf(songs));
    setStarredAlbums(albums);
    setStarredAlbumIds(idsOf(albums));
    setStarredArtistIds(artistIds);
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
