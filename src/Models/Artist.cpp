#include "Artist.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<Artist> Artist::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    Artist a;
    using namespace JsonFields;
    if (!required(o, "id"_L1, a.id) || !required(o, "name"_L1, a.name) || !optional(o, "coverArt"_L1, a.coverArt)
        || !optional(o, "albumCount"_L1, a.albumCount))
        return std::nullopt;
    return a;
}

QJsonObject Artist::toJson() const
{
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    JsonFields::write(o, "coverArt"_L1, coverArt);
    JsonFields::write(o, "albumCount"_L1, albumCount);
    return o;
}

size_t qHash(const Artist &a, size_t seed)
{
    return (RecordHash(seed) << a.id << a.name << a.coverArt << a.albumCount).value();
}
