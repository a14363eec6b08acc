#include "DragPayload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString textOf(const QList<Album> &albums)
{
    QStringList lines;
    for (const Album &album : albums)
        lines.append(album.dragText());
    return lines.join(u'\n');
}

} // namespace

QString DragPayload::albumFormat()
{
    return u"application/x-"_s + Album::dragType();
}

QByteArray DragPayload::encodeAlbums(const QList<Album> &albums)
{
    QJsonArray array;
    for (const Album &album : albums)
        array.append(album.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Album>> DragPayload::decodeAlbums(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    if (document.isObject()) {
        std::optional<Album> album = Album::fromJson(document.object());
        return album ? std::optional(QList<Album> {*album}) : std::nullopt;
    }
    const QJsonArray array = document.array();
    if (array.isEmpty())
        return std::nullopt;
    QList<Album> albums;
    albums.reserve(array.size());
    for (const QJsonValue &value : array) {
        std::optional<Album> album = Album::fromJson(value);
        if (!album)
            return std::nullopt;
        albums.append(std::move(*album));
    }
    return albums;
}

QVariantMap DragPayload::albumsMimeMap(const QList<Album> &albums)
{
    return {{albumFormat(), QString::fromUtf8(encodeAlbums(albums))}, {u"text/plain"_s, textOf(albums)}};
}
