#include "PageContext.h"

#include "MainViewModel.h"
#include "Playback/PlayerController.h"

PageContext::PageContext(MainViewModel *window, PageRoute route, int level, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_route(std::move(route))
    , m_level(level)
{
    if (!m_window)
        return;
    connect(m_window, &MainViewModel::storesChanged, this, &PageContext::storesChanged);
    m_onTop = isOnTop();
    connect(m_window->navigation(), &NavigationModel::pathChanged, this, [this] {
        if (isOnTop() == m_onTop)
            return;
        m_onTop = !m_onTop;
        Q_EMIT isOnTopChanged();
    });
}

NavigationModel *PageContext::navigation() const
{
    return m_window ? m_window->navigation() : nullptr;
}

LibraryStore *PageContext::library() const
{
    return m_window ? m_window->library() : nullptr;
}

DownloadStore *PageContext::downloads() const
{
    return m_window ? m_window->downloads() : nullptr;
}

PlayerController *PageContext::player() const
{
    return m_window ? m_window->player() : nullptr;
}

const SubsonicClient &PageContext::client() const
{
    // The window outlives its pages; should one linger, it gets a client
    // that reaches no server rather than a dangling one.
    static const SubsonicClient none;
    return m_window ? m_window->client() : none;
}

bool PageContext::isOnTop() const
{
    return navigation() && navigation()->depth() == m_level;
}

ServerUnavailableTracker *PageContext::serverUnavailableTracker() const
{
    return m_window ? m_window->serverUnavailableTracker() : nullptr;
}

void PageContext::openAlbum(const Album &album)
{
    if (NavigationModel *nav = navigation())
        nav->push(album);
}

void PageContext::openArtist(const Artist &artist)
{
    if (NavigationModel *nav = navigation())
        nav->push(artist);
}

void PageContext::openArtistOf(const Album &album)
{
    if (!album.artist || !album.artistId || album.artistId->isEmpty())
        return;
    Artist artist;
    artist.id = *album.artistId;
    artist.name = *album.artist;
    openArtist(artist);
}

void PageContext::playAlbum(const Album &album, bool shuffled)
{
    if (PlayerController *engine = player())
        engine->playAlbum(album, client(), 0, shuffled);
}

void PageContext::pushGrid(const AlbumGridDestination &destination)
{
    if (NavigationModel *nav = navigation())
        nav->push(destination);
}

void PageContext::openPlaylist(const QString &id)
{
    if (NavigationModel *nav = navigation())
        nav->openPlaylist(id);
}

void PageContext::reportAccent(const QColor &color)
{
    NavigationModel *nav = navigation();
    // A page already popped (still fading out) has no say any more.
    if (!nav || m_level > nav->depth())
        return;
    if (isRoot())
        nav->reportRootAccent(color);
    else
        nav->reportPageAccent(color);
}

void PageContext::pageDeleted()
{
    if (NavigationModel *nav = navigation())
        nav->selectHome();
}
