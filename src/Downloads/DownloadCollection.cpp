#include "DownloadCollection.h"

#include "JsonTextWriter.h"
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

void DownloadCollection::writeJson(JsonTextWriter &json) const
{
    json.beginObject();
    json.key("key"_L1);
    json.value(key);
    json.key("name"_L1);
    json.value(name);
    if (subtitle) {
        json.key("subtitle"_L1);
        json.value(*subtitle);
    }
    json.endObject();
}
