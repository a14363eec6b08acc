#include "PageRegistry.h"

#include <array>

#include "Albums/AlbumDetailViewModel.h"
#include "PageContext.h"
#include "PagePlaceholderModel.h"
#include "Albums/AlbumGridViewModel.h"
#include "Albums/LikedAlbumsViewModel.h"
#include "Home/HomeViewModel.h"
#include "Songs/SongTableViewModel.h"
#include "Playlists/PlaylistDetailViewModel.h"

namespace {

// The page is not built yet: it shows its name and what it was opened with.
template<const char *Name> QObject *placeholder(PageContext *context, const PageRoute &route)
{
    return new PagePlaceholderModel(QString::fromLatin1(Name), route, context);
}

template<SongTableViewModel::Kind Kind> QObject *songTable(PageContext *context, const PageRoute &)
{
    QPointer<PageContext> owner(context);
    return new SongTableViewModel(Kind, context->library(), context->player(),
        [owner] { return owner ? owner->client() : SubsonicClient(); }, SongSort::userLocale(), context);
}

constexpr char ArtistsView[] = "ArtistsView";
constexpr char DownloadsView[] = "DownloadsView";
constexpr char ArtistDetailView[] = "ArtistDetailView";

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
    {PageKind::Artists, "Artists/ArtistsView.qml", placeholder<ArtistsView>},
    {PageKind::Songs, "Songs/SongsView.qml", songTable<SongTableViewModel::Kind::AllSongs>},
    {PageKind::Downloads, "Downloads/DownloadsView.qml", placeholder<DownloadsView>},
    {PageKind::LikedSongs, "Songs/LikedSongsView.qml", songTable<SongTableViewModel::Kind::LikedSongs>},
    {PageKind::LikedAlbums, "Albums/LikedAlbumsView.qml",
        [](PageContext *context, const PageRoute &) -> QObject * { return new LikedAlbumsViewModel(context); }},
    {PageKind::Playlist, "Playlists/PlaylistDetailView.qml", playlistPage},
    {PageKind::Album, "Albums/AlbumDetailView.qml", [](PageContext *context, const PageRoute &route) -> QObject * {
                                                     return new AlbumDetailViewModel(context, route.album.value_or(Album()));
                                                 }},
    {PageKind::Artist, "Artists/ArtistDetailView.qml", placeholder<ArtistDetailView>},
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
