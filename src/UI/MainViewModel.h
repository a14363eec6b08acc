#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "Components/ServerUnavailableTracker.h"
#include "NavigationModel.h"
#include "Networking/SubsonicClient.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "Search/SearchDropdownController.h"
#include "SidebarModel.h"

#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"

// The state of one main window for one signed-in client: its navigation
// (restored from the account's saved place), its sidebar over the store's
// playlists, and the playlist management started from the sidebar. A new one
// is built for every server address, so another server starts afresh.
class MainViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the root view's model.")

    Q_PROPERTY(NavigationModel *navigation READ navigation CONSTANT)
    Q_PROPERTY(SidebarModel *sidebar READ sidebar CONSTANT)
    // What the pages read: the signed-in account's stores and the engine.
    Q_PROPERTY(LibraryStore *library READ library NOTIFY storesChanged)
    Q_PROPERTY(DownloadStore *downloads READ downloads NOTIFY storesChanged)
    Q_PROPERTY(PlayerController *player READ player CONSTANT)
    // The floating now-playing bar, one for the window's life (none without an engine).
    Q_PROPERTY(NowPlayingBarViewModel *nowPlaying READ nowPlaying CONSTANT)
    // Counts the pages showing the full-page server notice, so the banner
    // does not repeat it.
    Q_PROPERTY(ServerUnavailableTracker *serverUnavailableTracker READ serverUnavailableTracker CONSTANT)
    // The toolbar search field's dropdown: it follows the search text, and a
    // pick opens its artist or album page and clears the text.
    Q_PROPERTY(SearchDropdownController *search READ search CONSTANT)

public:
    // Asks `player` once to restore the saved playback session for this client.
    MainViewModel(const SubsonicClient &client, LibraryStore *library, DownloadStore *downloads,
        PlayerController *player, QObject *parent = nullptr);

    const SubsonicClient &client() const { return m_client; }
    LibraryStore *library() const { return m_library; }
    DownloadStore *downloads() const { return m_downloads; }
    PlayerController *player() const { return m_player; }
    NavigationModel *navigation() const { return m_navigation; }
    SidebarModel *sidebar() const { return m_sidebar; }
    NowPlayingBarViewModel *nowPlaying() const { return m_nowPlaying; }
    ServerUnavailableTracker *serverUnavailableTracker() const { return m_serverUnavailableTracker; }
    SearchDropdownController *search() const { return m_search; }

    // The session's stores were rebuilt for the same server (a new sign-in
    // to it): the window keeps its place and reads the new stores.
    void setStores(const SubsonicClient &client, LibraryStore *library, DownloadStore *downloads);

    // "Create" in the "New Playlist" alert: a name of only spaces and tabs
    // sends nothing; a created playlist is selected once the server gives its id.
    Q_INVOKABLE void createPlaylist(const QString &name);
    // "Rename" in the "Rename Playlist" alert.
    Q_INVOKABLE void renamePlaylist(const QString &id, const QString &name);
    // "Delete Playlist…": at once; Home is selected when the deleted playlist
    // was the selected one and the server confirmed.
    Q_INVOKABLE void deletePlaylist(const QString &id);

    // The page the detail column's stack shows at `level` (0: the root page
    // of the selection; n: the n-th pushed page), built through the page
    // table: {"source": its QML file, "context": its PageContext,
    // "viewModel": its view model}. The stack view pushes the source with
    // the context and view model as the page's required properties, then
    // hands the page to adoptPage(). Empty for a level the path lacks.
    Q_INVOKABLE QVariantMap createPage(int level);
    // Makes `page` the owner of `context` (and so of its view model); without
    // a page (the push failed) the context is deleted at once.
    Q_INVOKABLE void adoptPage(QObject *context, QObject *page);

    // The space bar in the main window: toggles play and pause when a song
    // is loaded and tells whether it did (otherwise the key travels on).
    Q_INVOKABLE bool handleSpace();

Q_SIGNALS:
    void storesChanged();

private:
    // At first display and after every library refresh.
    void runEpochTask();
    void playlistsChanged();
    void connectSearch();
    static QCoro::Task<> create(QPointer<MainViewModel> self, QPointer<LibraryStore> library, QString name);
    static QCoro::Task<> rename(QPointer<LibraryStore> library, QString id, QString name);
    static QCoro::Task<> remove(QPointer<MainViewModel> self, QPointer<LibraryStore> library, QString id);

    SubsonicClient m_client;
    QPointer<LibraryStore> m_library;
    QPointer<DownloadStore> m_downloads;
    QPointer<PlayerController> m_player;
    NavigationModel *m_navigation;
    SidebarModel *m_sidebar;
    ServerUnavailableTracker *m_serverUnavailableTracker;
    NowPlayingBarViewModel *m_nowPlaying;
    SearchDropdownController *m_search;
    QMetaObject::Connection m_playlistsConnection;
    QMetaObject::Connection m_epochConnection;
};
