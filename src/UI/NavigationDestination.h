#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

#include "AlbumGridDestination.h"
#include "Models/Album.h"
#include "Models/Artist.h"

// One page pushed above the root page of the detail column: an album, an
// artist or an album grid.
class NavigationDestination
{
public:
    enum class Kind { Album, Artist, AlbumGrid };

    NavigationDestination(Album album)
        : m_value(std::move(album))
    { }
    NavigationDestination(Artist artist)
        : m_value(std::move(artist))
    { }
    NavigationDestination(AlbumGridDestination grid)
        : m_value(std::move(grid))
    { }

    Kind kind() const { return Kind(m_value.index()); }
    const Album *album() const { return std::get_if<Album>(&m_value); }
    const Artist *artist() const { return std::get_if<Artist>(&m_value); }
    const AlbumGridDestination *albumGrid() const { return std::get_if<AlbumGridDestination>(&m_value); }

    // The element's JSON form, tagged with its kind: {"album": {...}},
    // {"artist": {...}} or {"albumGrid": {...}}. Reading requires exactly
    // one of these keys and a value its record reads.
    static std::optional<NavigationDestination> fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const NavigationDestination &, const NavigationDestination &) = default;

private:
    std::variant<Album, Artist, AlbumGridDestination> m_value;
};

using NavigationPath = QList<NavigationDestination>;

namespace NavigationPaths {
// The whole path, root side first; reading fails when any element fails.
std::optional<NavigationPath> fromJson(const QJsonValue &value);
QJsonArray toJson(const NavigationPath &path);
} // namespace NavigationPaths
