#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// Strict readers and writers for the records' JSON: keys are the field names,
// there is no coercion between JSON types, a required field must be present
// and not null, and an optional one is absent when missing or null. Every
// reader returns false when the value cannot be read; the caller then fails
// the whole record (and with it the whole answer).
namespace JsonFields {

bool readInteger(const QJsonValue &value, qint64 &out);

bool required(const QJsonObject &object, QLatin1StringView key, QString &out);
bool optional(const QJsonObject &object, QLatin1StringView key, std::optional<QString> &out);
bool optional(const QJsonObject &object, QLatin1StringView key, std::optional<qint64> &out);

// A list whose elements are read with T::fromJson.
template<typename T>
bool readList(const QJsonValue &value, QList<T> &out)
{
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    QList<T> list;
    list.reserve(array.size());
    for (const QJsonValue &element : array) {
        std::optional<T> item = T::fromJson(element);
        if (!item)
            return false;
        list.append(std::move(*item));
    }
    out = std::move(list);
    return true;
}

template<typename T>
bool required(const QJsonObject &object, QLatin1StringView key, QList<T> &out)
{
    return readList(object.value(key), out);
}

template<typename T>
bool optional(const QJsonObject &object, QLatin1StringView key, std::optional<QList<T>> &out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    QList<T> list;
    if (!readList(value, list))
        return false;
    out = std::move(list);
    return true;
}

template<typename T>
QJsonArray writeList(const QList<T> &list)
{
    QJsonArray array;
    for (const T &item : list)
        array.append(item.toJson());
    return array;
}

// Absent optionals are left out, never written as null.
inline void write(QJsonObject &object, QLatin1StringView key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

inline void write(QJsonObject &object, QLatin1StringView key, const std::optional<qint64> &value)
{
    if (value)
        object.insert(key, *value);
}

template<typename T>
void write(QJsonObject &object, QLatin1StringView key, const std::optional<QList<T>> &value)
{
    if (value)
        object.insert(key, writeList(*value));
}

} // namespace JsonFields
