#pragma once

#include <QNetworkAccessManager>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSize>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>
#include <optional>

#include "Helpers/TestHttpServer.h"
#include "NavigationDestination.h"
#include "Networking/ServerConfig.h"
#include "PageRoute.h"

class ArtworkClient;
class ArtworkFetcher;
class DownloadStore;
class LibraryStore;
class MainViewModel;
class PageContext;
class PlayerController;
class QQuickItem;
class UrlSession;

// Loads one QML component of the interface, alone in an offscreen window,
// over real stores of a loopback server: a library and a download store for
// the account "ann" on `server()`, a playback engine over FakeQueuePlayer and
// a main window model (whose navigation the page contexts act on), which
// starts where a first launch does: the saved place is cleared. The server
// answers the playlists and liked items empty unless the test sets other
// answers before start(). Unless the test has set its own, cover images load
// through the harness's artwork client from the same server, on a private
// disk cache.
//
//     PageHarness harness;
//     QVERIFY(harness.start());
//     harness.server().setResponse("/rest/getAlbumList2", ...);
//     QQuickItem *page =
//     harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Albums))); QVERIFY(page);
//     LIRNA_CLICK(UiTest::findItem(page, u"playButton"_s));
//     UiTest::saveScreenshot(harness.window(), u"albums.png"_s);
//
// The test program imports the QML module (Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)).
class PageHarness
{
public:
    PageHarness();
    ~PageHarness();

    // Listens (unless the test made the server listen already, to write
    // what the stores read at start), builds the stores and the window;
    // false when any step failed.
    bool start(QSize windowSize = QSize(900, 600));
    // The same with the stores on another server (a real one, or an address
    // nothing answers on); the loopback server is not started.
    bool start(QSize windowSize, const ServerConfig &server);

    // Before start(): the stores' requests go through `manager` (one that
    // watches or changes them), which outlives the harness.
    void useNetworkAccessManager(QNetworkAccessManager *manager) { m_customManager = manager; }

    TestHttpServer &server() { return m_server; }
    // The account of "ann" on the loopback server (listening or not yet).
    ServerConfig loopbackAccount() const;
    LibraryStore *library() const { return m_library.get(); }
    DownloadStore *downloads() const { return m_downloads.get(); }
    PlayerController *player() const { return m_player.get(); }
    MainViewModel *main() const { return m_main.get(); }
    QQuickWindow *window() const { return m_window.get(); }
    QQmlEngine &engine() { return m_engine; }

    // Creates the QML file `qmlFile` of the module ("Albums/AlbumGridView.qml")
    // with `properties` as its initial (required) properties, fills the
    // window with it and waits until it is shown. Null on errors, which are
    // printed. A loaded item replaces the one before.
    QQuickItem *load(const QString &qmlFile, const QVariantMap &properties = {});
    // Builds the page of `route` through the page table, with its context
    // (as the root page, level 0) and view model, and loads it.
    QQuickItem *loadPage(const PageRoute &route);
    // Loads the main window's content (MainView.qml) over main(), with
    // `properties` besides its view model.
    QQuickItem *loadMainView(const QVariantMap &properties = {});
    // The page on top of the loaded main view's stack, once it is the one
    // named `objectName` and the stack has settled; null if it never is.
    QQuickItem *waitForPage(const QString &objectName);

    // The context of the page loaded last.
    PageContext *context() const { return m_context; }

    // For view models driven without their page (owned by the main model):
    // the context of a sidebar item's root page, and of a page pushed on the
    // navigation stack as the window pushes it.
    PageContext *rootContext(SidebarItem item);
    PageContext *push(const NavigationDestination &destination);

private:
    QQuickItem *create(const QUrl &source, const QVariantMap &properties);

    TestHttpServer m_server;
    QNetworkAccessManager m_manager;
    QNetworkAccessManager *m_customManager = nullptr;
    std::unique_ptr<UrlSession> m_session;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<DownloadStore> m_downloads;
    std::unique_ptr<PlayerController> m_player;
    std::unique_ptr<MainViewModel> m_main;
    QQmlEngine m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    std::unique_ptr<QQuickItem> m_item;
    PageContext *m_context = nullptr;
    bool m_onLoopback = false;
    // Declared last, so covers still loading go before the session.
    QTemporaryDir m_artworkCache;
    std::unique_ptr<ArtworkFetcher> m_artworkFetcher;
    std::unique_ptr<ArtworkClient> m_artwork;
};
