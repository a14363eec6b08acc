#include "JsonFields.h"

#include <cmath>

namespace JsonFields {

bool readInteger(const QJsonValue &value, qint64 &out)
{
    if (!value.isDouble())
        return false;
    // Whole numbers beyond 2^53 arrive as integers already; a fraction fails.
    bool ok = false;
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong) {
        out = variant.toLongLong(&ok);
        return ok;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || number < -9.2233720368547758e18
        || number >= 9.2233720368547758e18)
        return false;
    out = static_cast<qint64>(number);
    return true;
}

bool required(const QJsonObject &object, QLatin1StringView key, QString &out)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool optional(const QJsonObject &object, QLatin1StringView key, std::optional<QString> &out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool optional(const QJsonObject &object, QLatin1StringView key, std::optional<qint64> &out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    qint64 number = 0;
    if (!readInteger(value, number))
        return false;
    out = number;
    return true;
}

} // namespace JsonFields
