#pragma once

#include <QJsonObject>
#include <QList>

#include <optional>

#include "Models/Album.h"
#include "Models/ArtistDetail.h"
#include "Models/ArtistIndex.h"
#include "Models/Playlist.h"
#include "Models/PlaylistDetail.h"
#include "Models/SearchResult.h"

// The typed bodies of the server's answers. Each is read from the
// "subsonic-response" object itself, only when its status is "ok"; a missing
// or malformed required key makes the answer unreadable. `result()` is what
// the endpoint call hands back, with an absent inner list made empty.
namespace SubsonicPayloads {

struct EmptyPayload
{
    using Result = void;
    static std::optional<EmptyPayload> fromResponse(const QJsonObject &) { return EmptyPayload{}; }
    void result() const { }
};

struct AlbumPayload
{
    using Result = Album;
    Album album;
    static std::optional<AlbumPayload> fromResponse(const QJsonObject &response);
    Album result() const { return album; }
};

struct ArtistPayload
{
    using Result = ArtistDetail;
    ArtistDetail artist;
    static std::optional<ArtistPayload> fromResponse(const QJsonObject &response);
    ArtistDetail result() const { return artist; }
};

struct PlaylistPayload
{
    using Result = PlaylistDetail;
    PlaylistDetail playlist;
    static std::optional<PlaylistPayload> fromResponse(const QJsonObject &response);
    PlaylistDetail result() const { return playlist; }
};

// The answer to "createPlaylist": servers speaking protocol versions before
// 1.14 create the playlist but answer with an empty success, without it.
struct CreatedPlaylistPayload
{
    using Result = std::optional<PlaylistDetail>;
    std::optional<PlaylistDetail> playlist;
    static std::optional<CreatedPlaylistPayload> fromResponse(const QJsonObject &response);
    std::optional<PlaylistDetail> result() const { return playlist; }
};

struct ArtistsPayload
{
    using Result = QList<ArtistIndex>;
    std::optional<QList<ArtistIndex>> index;
    static std::optional<ArtistsPayload> fromResponse(const QJsonObject &response);
    QList<ArtistIndex> result() const { return index.value_or(QList<ArtistIndex>{}); }
};

struct AlbumListPayload
{
    using Result = QList<Album>;
    std::optional<QList<Album>> album;
    static std::optional<AlbumListPayload> fromResponse(const QJsonObject &response);
    QList<Album> result() const { return album.value_or(QList<Album>{}); }
};

struct PlaylistsPayload
{
    using Result = QList<Playlist>;
    std::optional<QList<Playlist>> playlist;
    static std::optional<PlaylistsPayload> fromResponse(const QJsonObject &response);
    QList<Playlist> result() const { return playlist.value_or(QList<Playlist>{}); }
};

struct SearchPayload
{
    using Result = SearchResult;
    SearchResult searchResult3;
    static std::optional<SearchPayload> fromResponse(const QJsonObject &response);
    SearchResult result() const { return searchResult3; }
};

// "search3" read for its songs alone (paging through the whole library).
struct SearchSongsPayload
{
    using Result = QList<Song>;
    SearchResult searchResult3;
    static std::optional<SearchSongsPayload> fromResponse(const QJsonObject &response);
    QList<Song> result() const { return searchResult3.song.value_or(QList<Song>{}); }
};

struct StarredPayload
{
    using Result = SearchResult;
    SearchResult starred2;
    static std::optional<StarredPayload> fromResponse(const QJsonObject &response);
    SearchResult result() const { return starred2; }
};

} // namespace SubsonicPayloads
