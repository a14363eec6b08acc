#include "ArtistIndex.h"

#include "JsonFields.h"
#include "RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<ArtistIndex> ArtistIndex::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    ArtistIndex index;
    if (!JsonFields::required(o, "name"_L1, index.name) || !JsonFields::required(o, "artist"_L1, index.artist))
        return std::nullopt;
    return index;
}

QJsonObject ArtistIndex::toJson() const
{
    QJsonObject o;
    o.insert("name"_L1, name);
    o.insert("artist"_L1, JsonFields::writeList(artist));
    return o;
}

size_t qHash(const ArtistIndex &index, size_t seed)
{
    return (RecordHash(seed) << index.name << index.artist).value();
}
