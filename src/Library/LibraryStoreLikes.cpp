#include "LibraryStore.h"

#include <algorithm>

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
    const QString key = target.key();
    auto it = m_likeBursts.find(key);
    if (it == m_likeBursts.end())
        it = m_likeBursts.insert(key, LikeBurst {likeState(target), {}});
    const quint64 ticket = ++m_likeTickets;
    it->calls.append(LikeCall {ticket, starred});
    m_likeWishes.insert(key, LikeWish {ticket, starred, false, target});
    applyLike(target, starred);
    Async::startQueued(this, [this, target, starred, ticket] { sendLike(target, starred, ticket); });
}

QCoro::Task<> LibraryStore::sendLike(LikeTarget target, bool starred, quint64 ticket)
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

    settleLike(target, ticket, !error);
    if (error) {
        StoreFailure::Retry retry
            = [store = QPointer<LibraryStore>(this), target] { return retryLike(store, target); };
        note(error, QStringLiteral("update your likes"), std::move(retry));
    } else {
        markReachable();
    }
}

void LibraryStore::settleLike(const LikeTarget &target, quint64 ticket, bool accepted)
{
    const QString key = target.key();
    if (auto wish = m_likeWishes.find(key); wish != m_likeWishes.end() && wish->ticket == ticket)
        wish->failed = !accepted;
    auto it = m_likeBursts.find(key);
    if (it == m_likeBursts.end())
        return;
    QList<LikeCall> &calls = it->calls;
    for (LikeCall &call : calls) {
        if (call.ticket == ticket)
            call.answer = accepted ? LikeCall::Answer::Accepted : LikeCall::Answer::Failed;
    }
    // The item shows what the user asked for last, unless that very change
    // failed: then it shows what the server holds as far as the answers tell,
    // which is the last change it accepted (the server takes the calls in the
    // order they were sent, whatever order the answers come back in), or the
    // state before the burst.
    if (calls.last().answer == LikeCall::Answer::Failed) {
        bool held = it->before;
        for (const LikeCall &call : std::as_const(calls)) {
            if (call.answer == LikeCall::Answer::Accepted)
                held = call.starred;
        }
        applyLike(target, held);
    }
    const bool answered = std::none_of(calls.cbegin(), calls.cend(),
        [](const LikeCall &call) { return call.answer == LikeCall::Answer::Pending; });
    if (answered)
        m_likeBursts.erase(it);
}

QCoro::Task<> LibraryStore::retryLike(QPointer<LibraryStore> store, LikeTarget target)
{
    // Whichever of the item's failures the banner shows, the retry sends what
    // the user asked for last, and only when that very change failed: one
    // that went through, or one still out, is not redone.
    if (!store)
        co_return;
    const LikeWish wish = store->m_likeWishes.value(target.key());
    if (!wish.failed || store->likeState(target) == wish.starred)
        co_return;
    store->changeLike(target, wish.starred);
}

void LibraryStore::keepLikesNewerThanList(
    QList<Song> &songs, QList<Album> &albums, QSet<QString> &artistIds) const
{
    for (auto it = m_likeWishes.cbegin(); it != m_likeWishes.cend(); ++it) {
        if (it->ticket <= m_likeTicketAtStarredRequest && !m_likeBursts.contains(it.key())
            && !m_likesOutAtStarredRequest.contains(it.key()))
            continue;
        // What the user asked for, or after its failure what is shown (a
        // refresh meanwhile has not wiped a change still out).
        const LikeTarget &target = it->target;
        const bool liked = it->failed ? likeState(target) : it->starred;
        const QString &id = target.id;
        const auto keep = [liked, &id](auto &list, const auto &item) {
            const auto same = [&id](const auto &entry) { return entry.id == id; };
            if (!liked)
                list.removeIf(same);
            else if (std::none_of(list.cbegin(), list.cend(), same))
                list.prepend(item);
        };
        switch (target.kind) {
        case LikeKind::Song:
            keep(songs, target.song);
            break;
        case LikeKind::Album:
            keep(albums, target.album);
            break;
        case LikeKind::Artist:
            if (liked)
                artistIds.insert(id);
            else
                artistIds.remove(id);
            break;
        }
    }
}
