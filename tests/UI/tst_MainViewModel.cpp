#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Playback/PlayerController.h"
#include "SavedLocation.h"
#include "SavedLocationFile.h"
#include "Support/LocalNetworkPrompter.h"

using namespace Qt::StringLiterals;

// The main window's store-facing work against the loopback server: the
// playlists and liked items load at first display and after a refresh, the
// sidebar follows the store's playlists, and the playlist management.
class TestMainViewModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_library;
    std::unique_ptr<DownloadStore> m_downloads;
    std::unique_ptr<PlayerController> m_player;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;

    int count(const QByteArray &path) const
    {
        int n = 0;
        for (const auto &request : m_server->requests())
            n += request.path() == path;
        return n;
    }

    QStringList names(const SidebarModel &sidebar) const
    {
        QStringList out;
        for (int row = 13; row < sidebar.rowCount(); ++row)
            out.append(sidebar.data(sidebar.index(row), SidebarModel::TitleRole).toString());
        return out;
    }

    static QByteArray playlists(const QList<QByteArray> &names)
    {
        QList<QByteArray> items;
        for (const QByteArray &name : names)
            items.append("{\"id\":\"" + name.toLower() + "\",\"name\":\"" + name + "\"}");
        return "\"playlists\":{\"playlist\":[" + items.join(',') + "]}";
    }

    std::unique_ptr<MainViewModel> window()
    {
        auto model = std::make_unique<MainViewModel>(
            m_library->client(), m_library.get(), m_downloads.get(), m_player.get());
        return model;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    }

    void init()
    {
        SavedLocationFile::shared().clear();
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->listen());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlists({"Road", "Calm"})));
        m_server->setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
        const SubsonicClient client(ServerConfig {m_server->baseUrl(), u"ann"_s, u"pw"_s}, m_session.get());
        m_library = std::make_unique<LibraryStore>(client);
        m_downloads = std::make_unique<DownloadStore>(client);
        m_player = std::make_unique<PlayerController>(new FakeQueuePlayer);
    }

    void cleanup()
    {
        m_player.reset();
        m_library.reset();
        m_downloads.reset();
        m_server.reset();
    }

    void loadsAtFirstDisplayAndAfterRefresh()
    {
        // The loopback server counts as local: the first display raises the
        // local-network prompt (a browse that sends nothing on this desktop).
        QVERIFY(!LocalNetworkPrompter::shared().isBrowsing());
        auto main = window();
        QVERIFY(LocalNetworkPrompter::shared().isBrowsing());
        QTRY_COMPARE(names(*main->sidebar()), QStringList({u"Road"_s, u"Calm"_s}));
        QCOMPARE(count("/rest/getPlaylists"), 1);
        QTRY_COMPARE(count("/rest/getStarred2"), 1);

        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlists({"Calm"})));
        m_library->refresh();
        QTRY_COMPARE(names(*main->sidebar()), QStringList({u"Calm"_s}));
        QCOMPARE(count("/rest/getPlaylists"), 2);
        QTRY_COMPARE(count("/rest/getStarred2"), 2);
    }

    void createSelectsTheNewPlaylist()
    {
        auto main = window();
        QTRY_COMPARE(main->sidebar()->rowCount(), 15);
        m_server->setResponse(
            "/rest/createPlaylist", TestHttpServer::ok("\"playlist\":{\"id\":\"new\",\"name\":\"Trip\"}"));
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlists({"Road", "Calm", "New"})));

        main->createPlaylist(u" \t "_s); // only blanks: nothing is sent
        main->createPlaylist(u"  Trip \t"_s);
        QTRY_VERIFY(main->navigation()->selection() == SidebarSelection::playlist(u"new"_s));
        QCOMPARE(count("/rest/createPlaylist"), 1);
        QCOMPARE(m_server->requests().last().path(), QByteArray("/rest/getPlaylists"));
        QString sentName;
        for (const auto &request : m_server->requests()) {
            if (request.path() == "/rest/createPlaylist")
                sentName = request.queryValue(u"name"_s);
        }
        QCOMPARE(sentName, u"Trip"_s);
        QVERIFY(main->navigation()->routeAt(0).kind == PageKind::Playlist);
    }

    void failedCreateSelectsNothing()
    {
        auto main = window();
        QTRY_COMPARE(main->sidebar()->rowCount(), 15);
        main->navigation()->setSelection(SidebarSelection::item(SidebarItem::Songs));
        m_server->setResponse("/rest/createPlaylist", TestHttpServer::failed(50, "Not allowed"));
        main->createPlaylist(u"Trip"_s);
        QTRY_VERIFY(m_library->lastFailure().has_value());
        QVERIFY(main->navigation()->selection() == SidebarSelection::item(SidebarItem::Songs));
    }

    void renameSendsTheTrimmedName()
    {
        auto main = window();
        QTRY_COMPARE(main->sidebar()->rowCount(), 15);
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlists({"Drive", "Calm"})));
        main->renamePlaylist(u"road"_s, u"  "_s);
        main->renamePlaylist(u"road"_s, u" Drive "_s);
        QTRY_COMPARE(names(*main->sidebar()), QStringList({u"Drive"_s, u"Calm"_s}));
        QCOMPARE(count("/rest/updatePlaylist"), 1);
        for (const auto &request : m_server->requests()) {
            if (request.path() == "/rest/updatePlaylist") {
                QCOMPARE(request.queryValue(u"playlistId"_s), u"road"_s);
                QCOMPARE(request.queryValue(u"name"_s), u"Drive"_s);
            }
        }
    }

    void deleteSelectsHomeOnlyForTheSelectedPlaylist()
    {
        auto main = window();
        QTRY_COMPARE(main->sidebar()->rowCount(), 15);
        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::ok());

        main->navigation()->setSelection(SidebarSelection::playlist(u"calm"_s));
        main->deletePlaylist(u"road"_s); // another one
        QTRY_COMPARE(names(*main->sidebar()), QStringList({u"Calm"_s}));
        QVERIFY(main->navigation()->selection() == SidebarSelection::playlist(u"calm"_s));

        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::failed(70, "Not found"));
        main->deletePlaylist(u"calm"_s);
        QTRY_VERIFY(m_library->lastFailure().has_value());
        QVERIFY(main->navigation()->selection() == SidebarSelection::playlist(u"calm"_s));

        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::ok());
        main->deletePlaylist(u"calm"_s);
        QTRY_VERIFY(main->navigation()->selection() == SidebarSelection::item(SidebarItem::Home));
        QVERIFY(names(*main->sidebar()).isEmpty());
    }

    void spaceTogglesOnlyWithASongLoaded()
    {
        auto main = window();
        QVERIFY(!main->handleSpace()); // nothing loaded: the key travels on
        QVERIFY(!m_player->isPlaying());
        Song song;
        song.id = u"s1"_s;
        song.title = u"One"_s;
        m_player->play({song}, m_library->client(), 0, std::nullopt);
        const bool playing = m_player->isPlaying();
        QVERIFY(main->handleSpace());
        QCOMPARE(m_player->isPlaying(), !playing);
        QVERIFY(main->handleSpace());
        QCOMPARE(m_player->isPlaying(), playing);
        m_player->stop();
    }

    void asksTheEngineToRestoreItsSession()
    {
        QVERIFY(!m_player->didAttemptRestore());
        auto main = window();
        QVERIFY(m_player->didAttemptRestore());
    }

    void newStoresForTheSameServerKeepThePlace()
    {
        auto main = window();
        main->navigation()->setSelection(SidebarSelection::item(SidebarItem::Artists));
        LibraryStore fresh(m_library->client());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlists({"Only"})));
        QSignalSpy storesChanged(main.get(), &MainViewModel::storesChanged);
        main->setStores(m_library->client(), &fresh, m_downloads.get());
        QCOMPARE(storesChanged.count(), 1);
        QCOMPARE(main->property("library").value<LibraryStore *>(), &fresh);
        QTRY_COMPARE(names(*main->sidebar()), QStringList({u"Only"_s}));
        QVERIFY(main->navigation()->selection() == SidebarSelection::item(SidebarItem::Artists));
        QCOMPARE(main->library(), &fresh);

        // Another user on the same server: the place is saved under that account.
        const SubsonicClient bob(ServerConfig {m_server->baseUrl(), u"bob"_s, u"pw"_s}, m_session.get());
        main->setStores(bob, &fresh, m_downloads.get());
        main->navigation()->setSelection(SidebarSelection::item(SidebarItem::Songs));
        QVERIFY(SavedLocation::restorable(bob.config()));
        QVERIFY(!SavedLocation::restorable(m_library->client().config()));
        main->setStores(m_library->client(), m_library.get(), m_downloads.get());
    }

    // The bar follows a new sign-in: its like button reads the new store.
    void barFollowsNewStores()
    {
        auto main = window();
        Song song;
        song.id = u"s1"_s;
        song.title = u"One"_s;
        m_player->play({song}, m_library->client(), 0, std::nullopt);
        QVERIFY(main->nowPlaying()->hasSong());
        QVERIFY(!main->nowPlaying()->isLiked());
        m_server->setResponse("/rest/getStarred2",
            TestHttpServer::ok(R"("starred2":{"song":[{"id":"s1","title":"One","isDir":false}]})"));
        LibraryStore fresh(m_library->client());
        main->setStores(m_library->client(), &fresh, m_downloads.get());
        QTRY_VERIFY(main->nowPlaying()->isLiked());
        // And again to a store whose likes do not hold it.
        m_server->setResponse("/rest/getStarred2", TestHttpServer::ok("\"starred2\":{}"));
        LibraryStore other(m_library->client());
        main->setStores(m_library->client(), &other, m_downloads.get());
        QTRY_VERIFY(!main->nowPlaying()->isLiked());
        main->setStores(m_library->client(), m_library.get(), m_downloads.get());
        m_player->stop();
    }
};

QTEST_GUILESS_MAIN(TestMainViewModel)
#include "tst_MainViewModel.moc"
