#include "PlaylistDetail.h"

#include "JsonFields.h"

using namespace Qt::StringLiterals;

std::optional<PlaylistDetail> PlaylistDetail::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    PlaylistDetail p;
    using namespace JsonFields;
    if (!required(o, "id"_L1, p.id) || !required(o, "name"_L1, p.name) || !optional(o, "songCount"_L1, p.songCount)
        || !optional(o, "duration"_L1, p.duration) || !optional(o, "coverArt"_L1, p.coverArt)
        || !optional(o, "entry"_L1, p.entry))
        return std::nullopt;
    return p;
}

QJsonObject PlaylistDetail::toJson() const
{
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    JsonFields::write(o, "songCount"_L1, songCount);
    JsonFields::write(o, "duration"_L1, duration);
    JsonFields::write(o, "coverArt"_L1, coverArt);
    JsonFields::write(o, "entry"_L1, entry);
    return o;
}
