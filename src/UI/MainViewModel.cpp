#include "MainViewModel.h"

#include <QQmlEngine>

#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"
#include "Support/LocalNetworkPrompter.h"
#include "TextTrimming.h"

MainViewModel::MainViewModel(const SubsonicClient &client, LibraryStore *library, DownloadStore *downloads,
    PlayerController *player, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_navigation(new NavigationModel(client.config(), nullptr, this))
    , m_sidebar(new SidebarModel(m_navigation, this))
    , m_serverUnavailableTracker(new ServerUnavailableTracker(this))
    , m_nowPlaying(player ? new NowPlayingBarViewModel(player, library, nullptr, this) : nullptr)
    , m_search(new SearchDropdownController(this))
{
    connectSearch();
    // The bar's links go where a page's would: albums and artists are pushed,
    // a playlist is selected in the sidebar.
    if (m_nowPlaying) {
        connect(m_nowPlaying, &NowPlayingBarViewModel::openAlbumRequested, m_navigation,
            [this](const Album &album) { m_navigation->push(album); });
        connect(m_nowPlaying, &NowPlayingBarViewModel::openArtistRequested, m_navigation,
            [this](const Artist &artist) { m_navigation->push(artist); });
        connect(m_nowPlaying, &NowPlayingBarViewModel::openPlaylistRequested, m_navigation,
            &NavigationModel::openPlaylist);
    }
    setStores(client, library, downloads);
    // The engine restores at most once per run, and only the same account's session.
    if (m_player)
        m_player->restoreSession(m_client);
}

QVariantMap MainViewModel::createPage(int level)
{
    if (level < 0 || level > m_navigation->depth())
        return {};
    auto *context = new PageContext(this, m_navigation->routeAt(level), level, this);
    QQmlEngine::setObjectOwnership(context, QQmlEngine::CppOwnership);
    QObject *viewModel = PageRegistry::createViewModel(context);
    if (viewModel)
        QQmlEngine::setObjectOwnership(viewModel, QQmlEngine::CppOwnership);
    return {{QStringLiteral("source"), PageRegistry::source(context->route().kind)},
        {QStringLiteral("context"), QVariant::fromValue(context)},
        {QStringLiteral("viewModel"), QVariant::fromValue(viewModel)}};
}

void MainViewModel::adoptPage(QObject *context, QObject *page)
{
    auto *pageContext = qobject_cast<PageContext *>(context);
    if (!pageContext || pageContext->parent() != this)
        return;
    if (page)
        pageContext->setParent(page);
    else
        delete pageContext;
}

bool MainViewModel::handleSpace()
{
    if (!m_player || !m_player->currentSong())
        return false;
    m_player->togglePlayPause();
    return true;
}

void MainViewModel::setStores(const SubsonicClient &client, LibraryStore *library, DownloadStore *downloads)
{
    m_client = client;
    m_navigation->setConfig(client.config());
    m_search->setClient(client);
    const bool downloadsChanged = downloads != m_downloads;
    m_downloads = downloads;
    if (library == m_library) {
        if (downloadsChanged)
            Q_EMIT storesChanged();
        return;
    }
    disconnect(m_playlistsConnection);
    disconnect(m_epochConnection);
    m_library = library;
    if (m_nowPlaying)
        m_nowPlaying->setLibrary(library);
    if (m_library) {
        m_playlistsConnection
            = connect(m_library, &LibraryStore::playlistsChanged, this, &MainViewModel::playlistsChanged);
        m_epochConnection
            = connect(m_library, &LibraryStore::epochChanged, this, &MainViewModel::runEpochTask);
    }
    Q_EMIT storesChanged();
    playlistsChanged();
    runEpochTask();
}

void MainViewModel::runEpochTask()
{
    if (!m_library)
        return;
    m_library->ensurePlaylistsLoaded();
    m_library->ensureStarredLoaded();
    const QString host = m_client.config().baseURL.host(QUrl::FullyEncoded);
    if (LocalNetworkPrompter::isLikelyLocalHost(host.isEmpty() ? std::nullopt : std::optional(host)))
        LocalNetworkPrompter::shared().trigger();
}

void MainViewModel::connectSearch()
{
    connect(m_navigation, &NavigationModel::searchTextChanged, m_search,
        [this] { m_search->handle(m_navigation->searchText()); });
    // A pick pushes onto the current stack (the selection stays) and then
    // empties the field, which also keeps the panel closed.
    connect(m_search, &SearchDropdownController::openArtistRequested, m_navigation,
        [this](const Artist &artist) { m_navigation->push(artist); });
    connect(m_search, &SearchDropdownController::openAlbumRequested, m_navigation,
        [this](const Album &album) { m_navigation->push(album); });
    connect(m_search, &SearchDropdownController::picked, m_navigation,
        [this] { m_navigation->setSearchText(QString()); });
}

void MainViewModel::playlistsChanged()
{
    m_sidebar->setPlaylists(m_library ? m_library->playlists() : QList<Playlist>());
}

void MainViewModel::createPlaylist(const QString &name)
{
    const QString trimmed = TextTrimming::spacesAndTabs(name);
    if (trimmed.isEmpty() || !m_library)
        return;
    create(QPointer<MainViewModel>(this), m_library, trimmed);
}

void MainViewModel::renamePlaylist(const QString &id, const QString &name)
{
    const QString trimmed = TextTrimming::spacesAndTabs(name);
    if (trimmed.isEmpty() || !m_library)
        return;
    rename(m_library, id, trimmed);
}

void MainViewModel::deletePlaylist(const QString &id)
{
    if (!m_library)
        return;
    remove(QPointer<MainViewModel>(this), m_library, id);
}

QCoro::Task<> MainViewModel::create(
    QPointer<MainViewModel> self, QPointer<LibraryStore> library, QString name)
{
    const std::optional<QString> id = co_await library->createPlaylist(name);
    if (self && id)
        self->m_navigation->setSelection(SidebarSelection::playlist(*id));
}

QCoro::Task<> MainViewModel::rename(QPointer<LibraryStore> library, QString id, QString name)
{
    co_await library->renamePlaylist(id, name);
}

QCoro::Task<> MainViewModel::remove(QPointer<MainViewModel> self, QPointer<LibraryStore> library, QString id)
{
    const bool deleted = co_await library->deletePlaylist(id);
    if (self && deleted && self->m_navigation->selection() == SidebarSelection::playlist(id))
        self->m_navigation->setSelection(SidebarSelection::item(SidebarItem::Home));
}
