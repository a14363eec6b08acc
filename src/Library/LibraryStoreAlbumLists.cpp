#include "LibraryStore.h"

#include "Support/Async.h"

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
