#include "PageRegistry.h"

#include <array>

#include "Albums/AlbumDetailViewModel.h"
#include "PageContext.h"
#include "Albums/AlbumGridViewModel.h"
#include "Albums/LikedAlbumsViewModel.h"
#include "Artists/ArtistPaneViewModel.h"
#include "Artists/ArtistsViewModel.h"
#include "Home/HomeViewModel.h"
#include "Songs/SongTableViewModel.h"
#include "Playlists/PlaylistDetailViewModel.h"
#include "Downloads/DownloadsViewModel.h"

namespace {

template<SongTableViewModel::Kind Kind> QObject *songTable(PageContext *context, const PageRoute &)
{
    QPointer<PageContext> owner(context);
    return new SongTableViewModel(Kind, context->library(), context->player(),
        [owner] { return owner ? owner->client() : SubsonicClient(); }, SongSort::userLocale(), context);
}


QObject *playlistPage(PageContext *context, const PageRoute &route)
{
    return new PlaylistDetailViewModel(context, route.playlistId, context);
}

// In PageKind order.
const std::array<PageRegistry::Page, 10> Pages {{
    {PageKind::Home, "Home/HomeView.qml",
        [](PageContext *context, const PageRoute &) -> QObject * { return new HomeViewModel(context); }},
    {PageKind::AlbumGrid, "Albums/AlbumGridView.qml",
        [](PageContext *context, const PageRoute &route) -> QObject * {
            return new AlbumGridViewModel(context, route.grid.value_or(AlbumGridDestination {}));
        }},
    {PageKind::Artists, "Artists/ArtistsView.qml",
        [](PageContext *context, const PageRoute &) -> QObject * { return new ArtistsViewModel(context); }},
    {PageKind::Songs, "Songs/SongsView.qml", songTable<SongTableViewModel::Kind::AllSongs>},
    {PageKind::Downloads, "Downloads/DownloadsView.qml",
        [](PageContext *context, const PageRoute &) -> QObject * {
            return new DownloadsViewModel(context, SongSort::collator(SongSort::userLocale()));
        }},
    {PageKind::LikedSongs, "Songs/LikedSongsView.qml", songTable<SongTableViewModel::Kind::LikedSongs>},
    {PageKind::LikedAlbums, "Albums/LikedAlbumsView.qml",
        [](PageContext *context, const PageRoute &) -> QObject * { return new LikedAlbumsViewModel(context); }},
    {PageKind::Playlist, "Playlists/PlaylistDetailView.qml", playlistPage},
    {PageKind::Album, "Albums/AlbumDetailView.qml", [](PageContext *context, const PageRoute &route) -> QObject * {
                                                     return new AlbumDetailViewModel(context, route.album.value_or(Album()));
                                                 }},
    {PageKind::Artist, "Artists/ArtistDetailView.qml",
        [](PageContext *context, const PageRoute &route) -> QObject * {
            return new ArtistPaneViewModel(context, route.artist.value_or(Artist()), true);
        }},
}};

} // namespace

const PageRegistry::Page &PageRegistry::page(PageKind kind)
{
    const Page &row = Pages.at(size_t(kind));
    Q_ASSERT(row.kind == kind);
    return row;
}

QUrl PageRegistry::source(PageKind kind)
{
    return QUrl(QStringLiteral("qrc:/Lirna/UI/") + QString::fromLatin1(page(kind).qmlFile));
}

QObject *PageRegistry::createViewModel(PageContext *context)
{
    QObject *viewModel = page(context->route().kind).createViewModel(context, context->route());
    Q_ASSERT(!viewModel || viewModel->parent() == context);
    return viewModel;
}
