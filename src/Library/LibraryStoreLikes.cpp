#include "LibraryStore.h"

#include "Support/Async.h"

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
