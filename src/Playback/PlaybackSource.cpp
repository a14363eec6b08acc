#include "PlaybackSource.h"

#include "Models/JsonFields.h"

using namespace Qt::StringLiterals;

namespace {

QLatin1StringView keyOf(PlaybackSource::Kind kind)
{
    return kind == PlaybackSource::Kind::Album ? "album"_L1 : "playlist"_L1;
}

std::optional<PlaybackSource> fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

} // namespace

std::optional<PlaybackSource> PlaybackSource::fromJson(const QJsonValue &value, QString *error)
{
    if (!value.isObject())
        return fail(error, u"Expected an object."_s);
    const QJsonObject object = value.toObject();
    const bool hasAlbum = object.contains(keyOf(Kind::Album));
    const bool hasPlaylist = object.contains(keyOf(Kind::Playlist));
    if (hasAlbum == hasPlaylist)
        return fail(error, QString::fromLatin1(InvalidKeyCountMessage));
    const Kind kind = hasAlbum ? Kind::Album : Kind::Playlist;
    const QJsonValue body = object.value(keyOf(kind));
    if (!body.isObject())
        return fail(error, u"Expected an object at \"%1\"."_s.arg(keyOf(kind)));
    PlaybackSource source;
    source.kind = kind;
    if (!JsonFields::required(body.toObject(), "id"_L1, source.id))
        return fail(error, u"Missing or invalid \"id\" at \"%1\"."_s.arg(keyOf(kind)));
    if (!JsonFields::required(body.toObject(), "name"_L1, source.name))
        return fail(error, u"Missing or invalid \"name\" at \"%1\"."_s.arg(keyOf(kind)));
    return source;
}

QJsonObject PlaybackSource::toJson() const
{
    return QJsonObject {{keyOf(kind), QJsonObject {{u"id"_s, id}, {u"name"_s, name}}}};
}
