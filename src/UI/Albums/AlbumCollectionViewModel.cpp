#include "AlbumCollectionViewModel.h"

#include "AlbumGridLayout.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadMenuModel.h"
#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"
#include "UI/Components/DragPayload.h"
#include "UI/PageContext.h"

AlbumCollectionViewModel::AlbumCollectionViewModel(PageContext *context)
    : QObject(context)
    , m_context(context)
    , m_albums(this)
    , m_menuPlaylists(new AddToPlaylistModel(this))
    , m_menuDownloads(new DownloadMenuModel(this))
{
    useStores();
    connect(context, &PageContext::storesChanged, this, &AlbumCollectionViewModel::useStores);
}

void AlbumCollectionViewModel::useStores()
{
    m_menuPlaylists->setLibrary(m_context ? m_context->library() : nullptr);
    m_menuDownloads->setDownloads(m_context ? m_context->downloads() : nullptr);
    Q_EMIT storesChanged();
}

DownloadStore *AlbumCollectionViewModel::downloads() const
{
    return m_context ? m_context->downloads() : nullptr;
}

int AlbumCollectionViewModel::columnCount(double width) const
{
    return AlbumGridLayout::columns(width);
}

double AlbumCollectionViewModel::tileWidth(double width) const
{
    return AlbumGridLayout::tileWidth(width);
}

void AlbumCollectionViewModel::openAlbum(int row) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->openAlbum(*album);
}

void AlbumCollectionViewModel::openArtist(int row) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->openArtistOf(*album);
}

void AlbumCollectionViewModel::play(int row, bool shuffled) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context)
        m_context->playAlbum(*album, shuffled);
}

void AlbumCollectionViewModel::playNext(int row, bool atEnd) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context && m_context->player())
        m_context->player()->playAlbumNext(*album, m_context->client(), atEnd);
}

bool AlbumCollectionViewModel::isLiked(int row) const
{
    const Album *album = m_albums.recordAt(row);
    return album && m_context && m_context->library() && m_context->library()->isStarredAlbum(*album);
}

void AlbumCollectionViewModel::toggleLike(int row) const
{
    if (const Album *album = m_albums.recordAt(row); album && m_context && m_context->library())
        m_context->library()->toggleStarAlbum(*album);
}

QVariantMap AlbumCollectionViewModel::dragData(int row) const
{
    const Album *album = m_albums.recordAt(row);
    return album ? DragPayload::albumsMimeMap({*album}) : QVariantMap();
}

void AlbumCollectionViewModel::prepareMenu(int row)
{
    const Album *album = m_albums.recordAt(row);
    if (album)
        m_menuPlaylists->setAlbum(*album);
    else
        m_menuPlaylists->setSongs({});
    m_menuDownloads->setAlbum(album ? std::optional<Album>(*album) : std::nullopt);
}
