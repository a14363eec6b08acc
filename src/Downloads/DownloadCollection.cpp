#include "DownloadCollection.h"

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

std::optional<DownloadCollection> DownloadCollection::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    DownloadCollection c;
    using namespace JsonFields;
    if (!required(o, "key"_L1, c.key) || !required(o, "name"_L1, c.name)
        || !optional(o, "subtitle"_L1, c.subtitle))
        return std::nullopt;
    return c;
}

QJsonObject DownloadCollection::toJson() const
{
    QJsonObject o;
    o.insert("key"_L1, key);
    o.insert("name"_L1, name);
    JsonFields::write(o, "subtitle"_L1, subtitle);
    return o;
}
