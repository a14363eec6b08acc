#include "NavigationDestination.h"

using namespace Qt::StringLiterals;

namespace {
constexpr auto AlbumKey = "album"_L1;
constexpr auto ArtistKey = "artist"_L1;
constexpr auto AlbumGridKey = "albumGrid"_L1;
} // namespace

std::optional<NavigationDestination> NavigationDestination::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    if (o.size() != 1)
        return std::nullopt;
    const QString key = o.constBegin().key();
    const QJsonValue payload = o.constBegin().value();
    if (key == AlbumKey) {
        if (std::optional<Album> album = Album::fromJson(payload))
            return NavigationDestination(std::move(*album));
    } else if (key == ArtistKey) {
        if (std::optional<Artist> artist = Artist::fromJson(payload))
            return NavigationDestination(std::move(*artist));
    } else if (key == AlbumGridKey) {
        if (std::optional<AlbumGridDestination> grid = AlbumGridDestination::fromJson(payload))
            return NavigationDestination(std::move(*grid));
    }
    return std::nullopt;
}

QJsonObject NavigationDestination::toJson() const
{
    switch (kind()) {
    case Kind::Album:
        return QJsonObject {{AlbumKey, album()->toJson()}};
    case Kind::Artist:
        return QJsonObject {{ArtistKey, artist()->toJson()}};
    case Kind::AlbumGrid:
        break;
    }
    return QJsonObject {{AlbumGridKey, albumGrid()->toJson()}};
}

namespace NavigationPaths {

std::optional<NavigationPath> fromJson(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    NavigationPath path;
    for (const QJsonValue &element : value.toArray()) {
        std::optional<NavigationDestination> destination = NavigationDestination::fromJson(element);
        if (!destination)
            return std::nullopt;
        path.append(std::move(*destination));
    }
    return path;
}

QJsonArray toJson(const NavigationPath &path)
{
    QJsonArray array;
    for (const NavigationDestination &destination : path)
        array.append(destination.toJson());
    return array;
}

} // namespace NavigationPaths
