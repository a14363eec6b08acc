#pragma once

#include <QString>

#include <optional>

#include "AlbumGridDestination.h"
#include "Models/Album.h"
#include "Models/Artist.h"
#include "NavigationDestination.h"
#include "SidebarSelection.h"

// Every page the detail column can show. Each kind has one row in the page
// table (PageRegistry), which names its QML file and builds its view model.
enum class PageKind {
    Home,
    AlbumGrid,
    Artists,
    Songs,
    Downloads,
    LikedSongs,
    LikedAlbums,
    Playlist,
    Album,
    Artist,
};

// One page of the stack: its kind and the typed arguments the page is built
// with. Only the argument of its kind is set: `grid` for an album grid,
// `playlistId` for a playlist, `album` for an album, `artist` for an artist.
struct PageRoute
{
    PageKind kind = PageKind::Home;
    std::optional<AlbumGridDestination> grid;
    QString playlistId;
    std::optional<Album> album;
    std::optional<Artist> artist;

    // The root page of a sidebar selection; no selection shows Home.
    static PageRoute forSelection(const std::optional<SidebarSelection> &selection);
    // A page pushed above the root.
    static PageRoute forDestination(const NavigationDestination &destination);

    friend bool operator==(const PageRoute &, const PageRoute &) = default;
};
