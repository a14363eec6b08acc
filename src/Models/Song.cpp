#include "Song.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<Song> Song::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Song s;
    using namespace JsonFields;
    if (!required(o, "id"_L1, s.id) || !required(o, "title"_L1, s.title) || !optional(o, "album"_L1, s.album)
        || !optional(o, "albumId"_L1, s.albumId) || !optional(o, "artist"_L1, s.artist)
        || !optional(o, "artistId"_L1, s.artistId) || !optional(o, "track"_L1, s.track)
        || !optional(o, "discNumber"_L1, s.discNumber) || !optional(o, "year"_L1, s.year)
        || !optional(o, "duration"_L1, s.duration) || !optional(o, "contentType"_L1, s.contentType)
        || !optional(o, "suffix"_L1, s.suffix) || !optional(o, "coverArt"_L1, s.coverArt))
        return std::nullopt;
    return s;
}

QJsonObject Song::toJson() const
{
    QJsonObject o;
    using JsonFields::write;
    o.insert("id"_L1, id);
    o.insert("title"_L1, title);
    write(o, "album"_L1, album);
    write(o, "albumId"_L1, albumId);
    write(o, "artist"_L1, artist);
    write(o, "artistId"_L1, artistId);
    write(o, "track"_L1, track);
    write(o, "discNumber"_L1, discNumber);
    write(o, "year"_L1, year);
    write(o, "duration"_L1, duration);
    write(o, "contentType"_L1, contentType);
    write(o, "suffix"_L1, suffix);
    write(o, "coverArt"_L1, coverArt);
    return o;
}

size_t qHash(const Song &s, size_t seed)
{
    return (RecordHash(seed) << s.id << s.title << s.album << s.albumId << s.artist << s.artistId << s.track
                             << s.discNumber << s.year << s.duration << s.contentType << s.suffix << s.coverArt)
        .value();
}
