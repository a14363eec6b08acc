#include "Playlist.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<Playlist> Playlist::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Playlist p;
    using namespace JsonFields;
    if (!required(o, "id"_L1, p.id) || !required(o, "name"_L1, p.name) || !optional(o, "songCount"_L1, p.songCount)
        || !optional(o, "duration"_L1, p.duration) || !optional(o, "coverArt"_L1, p.coverArt))
        return std::nullopt;
    return p;
}

QJsonObject Playlist::toJson() const
{
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    JsonFields::write(o, "songCount"_L1, songCount);
    JsonFields::write(o, "duration"_L1, duration);
    JsonFields::write(o, "coverArt"_L1, coverArt);
    return o;
}

size_t qHash(const Playlist &p, size_t seed)
{
    return (RecordHash(seed) << p.id << p.name << p.songCount << p.duration << p.coverArt).value();
}
