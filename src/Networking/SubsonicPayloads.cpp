#include "SubsonicPayloads.h"

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

namespace SubsonicPayloads {

namespace {

// A container object ("artists", "albumList2", "playlists") whose one list is optional.
template<typename T>
bool readContainer(const QJsonObject &response, QLatin1StringView key, QLatin1StringView listKey,
    std::optional<QList<T>> &out)
{
    const QJsonValue container = response.value(key);
    if (!container.isObject())
        return false;
    return JsonFields::optional(container.toObject(), listKey, out);
}

} // namespace

std::optional<AlbumPayload> AlbumPayload::fromResponse(const QJsonObject &response)
{
    std::optional<Album> album = Album::fromJson(response.value("album"_L1));
    if (!album)
        return std::nullopt;
    return AlbumPayload{std::move(*album)};
}

std::optional<ArtistPayload> ArtistPayload::fromResponse(const QJsonObject &response)
{
    std::optional<ArtistDetail> artist = ArtistDetail::fromJson(response.value("artist"_L1));
    if (!artist)
        return std::nullopt;
    return ArtistPayload{std::move(*artist)};
}

std::optional<PlaylistPayload> PlaylistPayload::fromResponse(const QJsonObject &response)
{
    std::optional<PlaylistDetail> playlist = PlaylistDetail::fromJson(response.value("playlist"_L1));
    if (!playlist)
        return std::nullopt;
    return PlaylistPayload{std::move(*playlist)};
}

std::optional<CreatedPlaylistPayload> CreatedPlaylistPayload::fromResponse(const QJsonObject &response)
{
    if (!response.contains("playlist"_L1))
        return CreatedPlaylistPayload{};
    std::optional<PlaylistPayload> payload = PlaylistPayload::fromResponse(response);
    if (!payload)
        return std::nullopt;
    return CreatedPlaylistPayload{std::move(payload->playlist)};
}

std::optional<ArtistsPayload> ArtistsPayload::fromResponse(const QJsonObject &response)
{
    ArtistsPayload payload;
    if (!readContainer(response, "artists"_L1, "index"_L1, payload.index))
        return std::nullopt;
    return payload;
}

std::optional<AlbumListPayload> AlbumListPayload::fromResponse(const QJsonObject &response)
{
    AlbumListPayload payload;
    if (!readContainer(response, "albumList2"_L1, "album"_L1, payload.album))
        return std::nullopt;
    return payload;
}

std::optional<PlaylistsPayload> PlaylistsPayload::fromResponse(const QJsonObject &response)
{
    PlaylistsPayload payload;
    if (!readContainer(response, "playlists"_L1, "playlist"_L1, payload.playlist))
        return std::nullopt;
    return payload;
}

std::optional<SearchPayload> SearchPayload::fromResponse(const QJsonObject &response)
{
    std::optional<SearchResult> result = SearchResult::fromJson(response.value("searchResult3"_L1));
    if (!result)
        return std::nullopt;
    return SearchPayload{std::move(*result)};
}

std::optional<SearchSongsPayload> SearchSongsPayload::fromResponse(const QJsonObject &response)
{
    std::optional<SearchResult> result = SearchResult::fromJson(response.value("searchResult3"_L1));
    if (!result)
        return std::nullopt;
    return SearchSongsPayload{std::move(*result)};
}

std::optional<StarredPayload> StarredPayload::fromResponse(const QJsonObject &response)
{
    std::optional<SearchResult> result = SearchResult::fromJson(response.value("starred2"_L1));
    if (!result)
        return std::nullopt;
    return StarredPayload{std::move(*result)};
}

} // namespace SubsonicPayloads
