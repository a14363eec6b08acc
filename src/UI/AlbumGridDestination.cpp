#include "AlbumGridDestination.h"

#include "Models/JsonFields.h"
#include "Models/RecordHash.h"

using namespace Qt::StringLiterals;

std::optional<AlbumGridDestination> AlbumGridDestination::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const std::optional<AlbumListType> type = AlbumListTypes::fromJson(o.value("listType"_L1));
    AlbumGridDestination d;
    if (!type || !JsonFields::required(o, "title"_L1, d.title))
        return std::nullopt;
    d.listType = *type;
    return d;
}

QJsonObject AlbumGridDestination::toJson() const
{
    return QJsonObject {{"listType"_L1, AlbumListTypes::rawValue(listType)}, {"title"_L1, title}};
}

size_t qHash(const AlbumGridDestination &d, size_t seed)
{
    return (RecordHash(seed) << AlbumListTypes::rawValue(d.listType) << d.title).value();
}
