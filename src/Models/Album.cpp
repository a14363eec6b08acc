#include "Album.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<Album> Album::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Album a;
    using namespace JsonFields;
    if (!required(o, "id"_L1, a.id) || !required(o, "name"_L1, a.name) || !optional(o, "artist"_L1, a.artist)
        || !optional(o, "artistId"_L1, a.artistId) || !optional(o, "coverArt"_L1, a.coverArt)
        || !optional(o, "songCount"_L1, a.songCount) || !optional(o, "duration"_L1, a.duration)
        || !optional(o, "year"_L1, a.year) || !optional(o, "genre"_L1, a.genre) || !optional(o, "song"_L1, a.song))
        return std::nullopt;
    return a;
}

QJsonObject Album::toJson() const
{
    QJsonObject o;
    using JsonFields::write;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    write(o, "artist"_L1, artist);
    write(o, "artistId"_L1, artistId);
    write(o, "coverArt"_L1, coverArt);
    write(o, "songCount"_L1, songCount);
    write(o, "duration"_L1, duration);
    write(o, "year"_L1, year);
    write(o, "genre"_L1, genre);
    write(o, "song"_L1, song);
    return o;
}

QString Album::dragType()
{
    return u"co.quorvane.lirna.album"_s;
}

QString Album::dragText() const
{
    if (artist)
        return *artist + u" \u2013 "_s + name;
    return name;
}

size_t qHash(const Album &a, size_t seed)
{
    return (RecordHash(seed) << a.id << a.name << a.artist << a.artistId << a.coverArt << a.songCount << a.duration
                             << a.year << a.genre << a.song)
        .value();
}
