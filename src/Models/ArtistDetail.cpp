#include "ArtistDetail.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<ArtistDetail> ArtistDetail::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    ArtistDetail d;
    using namespace JsonFields;
    if (!required(o, "id"_L1, d.id) || !required(o, "name"_L1, d.name) || !optional(o, "coverArt"_L1, d.coverArt)
        || !optional(o, "album"_L1, d.album))
        return std::nullopt;
    return d;
}

QJsonObject ArtistDetail::toJson() const
{
    QJsonObject o;
    o.insert("id"_L1, id);
    o.insert("name"_L1, name);
    JsonFields::write(o, "coverArt"_L1, coverArt);
    JsonFields::write(o, "album"_L1, album);
    return o;
}

size_t qHash(const ArtistDetail &d, size_t seed)
{
    return (RecordHash(seed) << d.id << d.name << d.coverArt << d.album).value();
}
