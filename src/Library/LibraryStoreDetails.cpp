#include "LibraryStore.h"

#include "Networking/TransportError.h"

// MARK: - Details and discography

template<typename Record, typename Fetch>
QCoro::Task<Record> LibraryStore::detail(QHash<QString, Record> LibraryStore::*cache,
    void (LibraryStore::*changed)(), QString id, Fetch fetch, QHash<QString, int> LibraryStore::*drops,
    TaskHandle handle)
{
    if (auto it = (this->*cache).constFind(id); it != (this->*cache).constEnd())
        co_return *it;
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const int epoch = m_epoch;
    const int dropped = drops ? (this->*drops).value(id) : 0;
    Record record = co_await (client.*fetch)(id, handle);
    // An answer that arrives after refresh() belongs to the library as it was,
    // one that arrives after an edit dropped the cached copy may predate the
    // edit: the caller gets it, the cache does not.
    if (self && m_epoch == epoch && (!drops || (this->*drops).value(id) == dropped)) {
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

QCoro::Task<ArtistDetail> LibraryStore::artistDetail(QString id, TaskHandle handle)
{
    return detail(&LibraryStore::m_artistDetails, &LibraryStore::artistDetailsChanged, std::move(id),
        &SubsonicClient::artist, nullptr, std::move(handle));
}

QCoro::Task<PlaylistDetail> LibraryStore::playlistDetail(QString id)
{
    QPointer<LibraryStore> self(this);
    PlaylistDetail answer = co_await detail(&LibraryStore::m_playlistDetails,
        &LibraryStore::playlistDetailsChanged, id, &SubsonicClient::playlist, &LibraryStore::m_playlistDrops);
    if (!self)
        co_return answer;
    // The user sees the edits of theirs still on their way, not the list the
    // server held before them: a row on its way out stays away, a dragged
    // row stays where it was put, an added song shows where it will land.
    if (answer.entry) {
        const QStringList held = songIdsOf(*answer.entry);
        QList<Song> added;
        if (const QStringList shown = ownEditsOver(id, held, &added); shown != held) {
            answer.entry = songsInOrder(*answer.entry + added, shown);
            if (answer.songCount)
                answer.songCount = answer.entry->size();
        }
    }
    co_return answer;
}

QList<Album> LibraryStore::discographyOrder(const QList<Album> &albums)
{
    // A year of 0 or less says as little as none: such albums come last.
    const auto dated = [](const Album &album) { return std::max<qint64>(0, album.year.value_or(0)); };
    QList<Album> ordered = albums;
    std::stable_sort(ordered.begin(), ordered.end(),
        [dated](const Album &a, const Album &b) { return dated(a) > dated(b); });
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

QCoro::Task<QList<Song>> LibraryStore::artistDiscographySongs(QString id, TaskHandle handle)
{
    QPointer<LibraryStore> self(this);
    const SubsonicClient client = m_client;
    const ArtistDetail artist = co_await artistDetail(id, handle);
    if (handle.isCancelled())
        throw TransportError::cancelled();
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
            Album answer = co_await client.album(album.id, handle);
            fetched = std::move(answer);
        } catch (...) {
            // An album that cannot be had is left out of the discography.
        }
        if (handle.isCancelled())
            throw TransportError::cancelled();
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
