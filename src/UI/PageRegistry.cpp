#include "PageRegistry.h"

#include <array>

#include "PageContext.h"
#include "PagePlaceholderModel.h"
#include "Playlists/PlaylistDetailViewModel.h"

namespace {

// The page is not built yet: it shows its name and what it was opened with.
template<const char *Name> QObject *placeholder(PageContext *context, const PageRoute &route)
{
    return new PagePlaceholderModel(QString::fromLatin1(Name), route, context);
}

constexpr char HomeView[] = "HomeView";
constexpr char AlbumGridView[] = "AlbumGridView";
constexpr char ArtistsView[] = "ArtistsView";
constexpr char SongsView[] = "SongsView";
constexpr char DownloadsView[] = "DownloadsView";
constexpr char LikedSongsView[] = "LikedSongsView";
constexpr char LikedAlbumsView[] = "LikedAlbumsView";
[[maybe_unused]] constexpr char PlaylistDetailView[] = "PlaylistDetailView";
constexpr char AlbumDetailView[] = "AlbumDetailView";
constexpr char ArtistDetailView[] = "ArtistDetailView";

QObject *playlistPage(PageContext *context, const PageRoute &route)
{
    return new PlaylistDetailViewModel(context, route.playlistId, context);
}

// In PageKind order.
const std::array<PageRegistry::Page, 10> Pages {{
    {PageKind::Home, "Home/HomeView.qml", placeholder<HomeView>},
    {PageKind::AlbumGrid, "Albums/AlbumGridView.qml", placeholder<AlbumGridView>},
    {PageKind::Artists, "Artists/ArtistsView.qml", placeholder<ArtistsView>},
    {PageKind::Songs, "Songs/SongsView.qml", placeholder<SongsView>},
    {PageKind::Downloads, "Downloads/DownloadsView.qml", placeholder<DownloadsView>},
    {PageKind::LikedSongs, "Songs/LikedSongsView.qml", placeholder<LikedSongsView>},
    {PageKind::LikedAlbums, "Albums/LikedAlbumsView.qml", placeholder<LikedAlbumsView>},
    {PageKind::Playlist, "Playlists/PlaylistDetailView.qml", playlistPage},
    {PageKind::Album, "Albums/AlbumDetailView.qml", placeholder<AlbumDetailView>},
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
