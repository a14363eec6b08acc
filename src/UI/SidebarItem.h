#pragma once

#include <QList>
#include <QString>

#include <optional>

// The sidebar's fixed entries. The raw value of each is its case name; it is
// also its id and its JSON form.
enum class SidebarItem {
    Home,
    Artists,
    Albums,
    Songs,
    Downloads,
    RecentlyAdded,
    RecentlyPlayed,
    MostPlayed,
    Random,
    LikedSongs,
    LikedAlbums,
    TopRated,
};

namespace SidebarItems {

QList<SidebarItem> all();
// The entries of the first sidebar group (no header) and of "Presets".
// `Random` is in neither: it has no row, but stays a valid selection.
QList<SidebarItem> firstGroup();
QList<SidebarItem> presets();

QString rawValue(SidebarItem item);
// Only an exact, case-sensitive case name gives an item.
std::optional<SidebarItem> fromRawValue(const QString &text);
QString title(SidebarItem item);
// The symbol name the row shows (looked up in the icon table).
QString icon(SidebarItem item);

} // namespace SidebarItems

inline size_t qHash(SidebarItem item, size_t seed = 0)
{
    return qHash(SidebarItems::rawValue(item), seed);
}
