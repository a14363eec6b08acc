#include "SearchResult.h"

#include "JsonFields.h"

using namespace Qt::StringLiterals;

std::optional<SearchResult> SearchResult::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    SearchResult r;
    using namespace JsonFields;
    if (!optional(o, "artist"_L1, r.artist) || !optional(o, "album"_L1, r.album) || !optional(o, "song"_L1, r.song))
        return std::nullopt;
    return r;
}

QJsonObject SearchResult::toJson() const
{
    QJsonObject o;
    JsonFields::write(o, "artist"_L1, artist);
    JsonFields::write(o, "album"_L1, album);
    JsonFields::write(o, "song"_L1, song);
    return o;
}
