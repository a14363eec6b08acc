#include "DetailRoute.h"

namespace {

DetailRoute pageRoute(const char *name)
{
    return DetailRoute {QString::fromLatin1(name), std::nullopt, {}, {}};
}

DetailRoute grid(AlbumListType type, const char *title)
{
    return DetailRoute {QStringLiteral("AlbumGridView"), type, QString::fromUtf8(title), {}};
}

} // namespace

DetailRoute DetailRoute::forSelection(const std::optional<SidebarSelection> &selection)
{
    if (!selection)
        return pageRoute("HomeView");
    if (selection->isPlaylist())
        return DetailRoute {QStringLiteral("PlaylistDetailView"), std::nullopt, {}, selection->playlistId()};
    switch (selection->sidebarItem()) {
    case SidebarItem::Home:
        return pageRoute("HomeView");
    case SidebarItem::Artists:
        return pageRoute("ArtistsView");
    case SidebarItem::Albums:
        return grid(AlbumListType::AlphabeticalByName, "Albums");
    case SidebarItem::Songs:
        return pageRoute("SongsView");
    case SidebarItem::Downloads:
        return pageRoute("DownloadsView");
    case SidebarItem::RecentlyAdded:
        return grid(AlbumListType::Newest, "Recently Added");
    case SidebarItem::RecentlyPlayed:
        return grid(AlbumListType::Recent, "Recently Played");
    case SidebarItem::MostPlayed:
        return grid(AlbumListType::Frequent, "Most Played");
    case SidebarItem::Random:
        return grid(AlbumListType::Random, "Random Albums");
    case SidebarItem::LikedSongs:
        return pageRoute("LikedSongsView");
    case SidebarItem::LikedAlbums:
        return pageRoute("LikedAlbumsView");
    case SidebarItem::TopRated:
        return grid(AlbumListType::Highest, "Top Rated");
    }
    return pageRoute("HomeView");
}
