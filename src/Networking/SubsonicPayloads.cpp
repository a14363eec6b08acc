#include "SubsonicPayloads.h"

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

namespace SubsonicPayloads {

namespace {

// The payload of an answer whose one list sits, optional, in a container
// object ("artists", "albumList2", "playlists").
template<typename Payload, typename T>
std::optional<Payload> readList(const QJsonObject &response, QLatin1StringView key, QLatin1StringView listKey)
{
    const QJsonValue container = response.value(key);
    std::optional<QList<T>> list;
    if (!container.isObject() || !JsonFields::optional(container.toObject(), listKey, list))
        return std::nullopt;
    return Payload {std::move(list)};
}

// The payload of an answer that holds one record under `key`.
template<typename Payload, typename Record>
std::optional<Payload> readRecord(const QJsonObject &response, QLatin1StringView key)
{
    std::optional<Record> record = Record::fromJson(response.value(key));
    if (!record)
        return std::nullopt;
    return Payload {std::move(*record)};
}

} // namespace

std::optional<AlbumPayload> AlbumPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<AlbumPayload, Album>(response, "album"_L1);
}

std::optional<ArtistPayload> ArtistPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<ArtistPayload, ArtistDetail>(response, "artist"_L1);
}

std::optional<PlaylistPayload> PlaylistPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<PlaylistPayload, PlaylistDetail>(response, "playlist"_L1);
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
    return readList<ArtistsPayload, ArtistIndex>(response, "artists"_L1, "index"_L1);
}

std::optional<AlbumListPayload> AlbumListPayload::fromResponse(const QJsonObject &response)
{
    return readList<AlbumListPayload, Album>(response, "albumList2"_L1, "album"_L1);
}

std::optional<PlaylistsPayload> PlaylistsPayload::fromResponse(const QJsonObject &response)
{
    return readList<PlaylistsPayload, Playlist>(response, "playlists"_L1, "playlist"_L1);
}

std::optional<SearchPayload> SearchPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<SearchPayload, SearchResult>(response, "searchResult3"_L1);
}

std::optional<SearchSongsPayload> SearchSongsPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<SearchSongsPayload, SearchResult>(response, "searchResult3"_L1);
}

std::optional<StarredPayload> StarredPayload::fromResponse(const QJsonObject &response)
{
    return readRecord<StarredPayload, SearchResult>(response, "starred2"_L1);
}

} // namespace SubsonicPayloads
