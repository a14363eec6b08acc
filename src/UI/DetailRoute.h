#pragma once

#include <QString>

#include <optional>

#include "Models/AlbumListType.h"
#include "SidebarSelection.h"

// Which root page the detail column shows for a sidebar selection, and what
// the main window hands to it.
struct DetailRoute
{
    QString page; // the page's view name, e.g. "AlbumGridView"
    std::optional<AlbumListType> listType; // album grids only
    QString title; // album grids only
    QString playlistId; // the playlist page only

    // No selection shows Home.
    static DetailRoute forSelection(const std::optional<SidebarSelection> &selection);

    friend bool operator==(const DetailRoute &, const DetailRoute &) = default;
};
