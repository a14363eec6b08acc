#include "PageRoute.h"

namespace {

PageRoute page(PageKind kind)
{
    PageRoute route;
    route.kind = kind;
    return route;
}

PageRoute gridPage(AlbumListType type, const char *title)
{
    PageRoute route = page(PageKind::AlbumGrid);
    route.grid = AlbumGridDestination {type, QString::fromUtf8(title)};
    return route;
}

} // namespace

PageRoute PageRoute::forSelection(const std::optional<SidebarSelection> &selection)
{
    if (!selection)
        return page(PageKind::Home);
    if (selection->isPlaylist()) {
        PageRoute route = page(PageKind::Playlist);
        route.playlistId = selection->playlistId();
        return route;
    }
    switch (selection->sidebarItem()) {
    case SidebarItem::Home:
        return page(PageKind::Home);
    case SidebarItem::Artists:
        return page(PageKind::Artists);
    case SidebarItem::Albums:
        return gridPage(AlbumListType::AlphabeticalByName, "Albums");
    case SidebarItem::Songs:
        return page(PageKind::Songs);
    case SidebarItem::Downloads:
        return page(PageKind::Downloads);
    case SidebarItem::RecentlyAdded:
        return gridPage(AlbumListType::Newest, "Recently Added");
    case SidebarItem::RecentlyPlayed:
        return gridPage(AlbumListType::Recent, "Recently Played");
    case SidebarItem::MostPlayed:
        return gridPage(AlbumListType::Frequent, "Most Played");
    case SidebarItem::Random:
        return gridPage(AlbumListType::Random, "Random Albums");
    case SidebarItem::LikedSongs:
        return page(PageKind::LikedSongs);
    case SidebarItem::LikedAlbums:
        return page(PageKind::LikedAlbums);
    case SidebarItem::TopRated:
        return gridPage(AlbumListType::Highest, "Top Rated");
    }
    return page(PageKind::Home);
}

PageRoute PageRoute::forDestination(const NavigationDestination &destination)
{
    PageRoute route;
    if (const Album *album = destination.album()) {
        route.kind = PageKind::Album;
        route.album = *album;
    } else if (const Artist *artist = destination.artist()) {
        route.kind = PageKind::Artist;
        route.artist = *artist;
    } else {
        route.kind = PageKind::AlbumGrid;
        route.grid = *destination.albumGrid();
    }
    return route;
}
