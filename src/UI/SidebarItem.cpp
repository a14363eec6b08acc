#include "SidebarItem.h"

namespace SidebarItems {

namespace {

struct Entry
{
    SidebarItem item;
    const char *rawValue;
    const char *title;
    const char *icon;
};

constexpr Entry entries[] = {
    {SidebarItem::Home, "home", "Home", "house"},
    {SidebarItem::Artists, "artists", "Artists", "music.microphone"},
    {SidebarItem::Albums, "albums", "Albums", "square.stack"},
    {SidebarItem::Songs, "songs", "Songs", "music.note"},
    {SidebarItem::Downloads, "downloads", "Downloads", "arrow.down.circle"},
    {SidebarItem::RecentlyAdded, "recentlyAdded", "Recently Added", "clock"},
    {SidebarItem::RecentlyPlayed, "recentlyPlayed", "Recently Played", "play.circle"},
    {SidebarItem::MostPlayed, "mostPlayed", "Most Played", "chart.bar"},
    {SidebarItem::Random, "random", "Random Albums", "shuffle"},
    {SidebarItem::LikedSongs, "likedSongs", "Liked Songs", "heart"},
    {SidebarItem::LikedAlbums, "likedAlbums", "Liked Albums", "heart"},
    {SidebarItem::TopRated, "topRated", "Top Rated", "star"},
};

const Entry &entry(SidebarItem item)
{
    for (const Entry &e : entries) {
        if (e.item == item)
            return e;
    }
    return entries[0];
}

} // namespace

QList<SidebarItem> all()
{
    QList<SidebarItem> items;
    for (const Entry &e : entries)
        items.append(e.item);
    return items;
}

QList<SidebarItem> firstGroup()
{
    return {SidebarItem::Home, SidebarItem::Artists, SidebarItem::Albums, SidebarItem::Songs,
        SidebarItem::Downloads};
}

QList<SidebarItem> presets()
{
    return {SidebarItem::RecentlyAdded, SidebarItem::RecentlyPlayed, SidebarItem::MostPlayed,
        SidebarItem::LikedSongs, SidebarItem::LikedAlbums, SidebarItem::TopRated};
}

QString rawValue(SidebarItem item)
{
    return QString::fromLatin1(entry(item).rawValue);
}

std::optional<SidebarItem> fromRawValue(const QString &text)
{
    for (const Entry &e : entries) {
        if (text == QLatin1String(e.rawValue))
            return e.item;
    }
    return std::nullopt;
}

QString title(SidebarItem item)
{
    return QString::fromLatin1(entry(item).title);
}

QString icon(SidebarItem item)
{
    return QString::fromLatin1(entry(item).icon);
}

} // namespace SidebarItems
