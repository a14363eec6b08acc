#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"

using namespace LibraryFixtures;

// The whole-collection loaders, refresh() and the store's reachability.
class TestLibraryStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_store;
    int m_songTotal = 0;

    void serveSongs(int total, int delayMs = 0)
    {
        m_songTotal = total;
        m_server->setHandler([this, delayMs](const TestHttpServer::Request &request) {
            if (request.path() != "/rest/search3")
                return TestHttpServer::json("not found", 404);
            const int offset = request.queryValue(QStringLiteral("songOffset")).toInt();
            const int size = request.queryValue(QStringLiteral("songCount")).toInt();
            const int count = std::max(0, std::min(size, m_songTotal - offset));
            TestHttpServer::Response response = TestHttpServer::ok(songsPage(offset, count));
            response.delayMs = delayMs;
            return response;
        });
    }

    QList<int> songOffsets() const
    {
        QList<int> offsets;
        for (const auto &request : m_server->requests()) {
            if (request.path() == "/rest/search3")
                offsets.append(request.queryValue(QStringLiteral("songOffset")).toInt());
        }
        return offsets;
    }

private Q_SLOTS:
    void init() { QVERIFY(startStore(m_server, m_store)); }
    void cleanup() { stopStore(m_server, m_store); }

    void artistsLoadOnceAndFlatten()
    {
        m_server->setResponse("/rest/getArtists",
            TestHttpServer::ok(
                R"("artists":{"index":[{"name":"A","artist":[{"id":"1","name":"Abba"},)"
                R"({"id":"2","name":"Air"}]},{"name":"B","artist":[{"id":"3","name":"Bjork"}]}]})"));
        QSignalSpy loaded(m_store.get(), &LibraryStore::artistsLoadedChanged);
        m_store->ensureArtistsLoaded();
        m_store->ensureArtistsLoaded();
        QTRY_VERIFY(m_store->artistsLoaded());
        m_store->ensureArtistsLoaded();
        QTest::qWait(50);
        QCOMPARE(countRequests(*m_server, "/rest/getArtists"), 1);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(m_store->artistIndexes().size(), 2);
        QStringList names;
        for (const Artist &artist : m_store->allArtists())
            names.append(artist.name);
        QCOMPARE(names, (QStringList {"Abba", "Air", "Bjork"}));
        QVERIFY(!m_store->artistsError());
        QVERIFY(m_store->hasCachedContent());
    }

    // A failed load records the error's own text, counts as loaded and is not
    // tried again until refresh().
    void failedLoadCountsAsLoaded()
    {
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::json("boom", 500));
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        QCOMPARE(m_store->playlistsError(),
            std::optional<QString>(QStringLiteral("The server returned HTTP 500.")));
        QVERIFY(m_store->reachability().isOk());
        QVERIFY(!m_store->lastFailure());
        m_store->ensurePlaylistsLoaded();
        QTest::qWait(50);
        QCOMPARE(countRequests(*m_server, "/rest/getPlaylists"), 1);

        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(R"("playlists":{})"));
        m_store->refresh();
        QVERIFY(!m_store->playlistsLoaded());
        QVERIFY(!m_store->playlistsError());
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        QCOMPARE(countRequests(*m_server, "/rest/getPlaylists"), 2);
        QVERIFY(m_store->playlists().isEmpty());
        QVERIFY(!m_store->playlistsError());
    }

    void reachability_data()
    {
        QTest::addColumn<TestHttpServer::Response>("failure");
        QTest::addColumn<bool>("startFailing");
        QTest::addColumn<bool>("failingAfter");
        QTest::addColumn<int>("faultKind");

        const int offline = int(ConnectionFault::Kind::Offline);
        const int unauthorized = int(ConnectionFault::Kind::Unauthorized);
        QTest::newRow("dropped connection") << TestHttpServer::dropped() << false << true << offline;
        QTest::newRow("http 401") << TestHttpServer::json("no", 401) << false << true << unauthorized;
        QTest::newRow("wrong password")
            << TestHttpServer::failed(40, "Wrong username or password") << false << true << unauthorized;
        QTest::newRow("http 500 while ok") << TestHttpServer::json("boom", 500) << false << false << 0;
        QTest::newRow("http 500 while failing")
            << TestHttpServer::json("boom", 500) << true << true << offline;
        QTest::newRow("not found code 70") << TestHttpServer::failed(70, "Gone") << false << false << 0;
    }

    // Offline and unauthorized faults mark the server failing, server faults
    // leave the verdict as it was, and the next success marks it ok again.
    void reachability()
    {
        QFETCH(TestHttpServer::Response, failure);
        QFETCH(bool, startFailing);
        QFETCH(bool, failingAfter);
        QFETCH(int, faultKind);

        if (startFailing) {
            m_server->setResponse("/rest/getPlaylists", TestHttpServer::dropped());
            m_store->ensurePlaylistsLoaded();
            QTRY_VERIFY(m_store->playlistsLoaded());
            QVERIFY(m_store->reachability().isFailing());
        }
        m_server->setResponse("/rest/getArtists", failure);
        m_store->ensureArtistsLoaded();
        QTRY_VERIFY(m_store->artistsLoaded());
        QVERIFY(m_store->artistsError());
        QCOMPARE(m_store->reachability().isFailing(), failingAfter);
        if (failingAfter)
            QCOMPARE(int(m_store->reachability().fault().kind()), faultKind);

        m_server->setResponse("/rest/getStarred2", TestHttpServer::ok(R"("starred2":{})"));
        m_store->ensureStarredLoaded();
        QTRY_VERIFY(m_store->starredLoaded());
        QVERIFY(m_store->reachability().isOk());
    }

    void songsPaging_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<int>("loadedCount");

        QTest::newRow("1,000") << 1000 << QList<int> {0, 500, 1000} << 1000;
        QTest::newRow("1,200") << 1200 << QList<int> {0, 500, 1000} << 1200;
        QTest::newRow("0") << 0 << QList<int> {0} << 0;
        QList<int> forty;
        for (int i = 0; i < 40; ++i)
            forty.append(i * 500);
        QTest::newRow("more than 20,000") << 20'600 << forty << 20'000;
    }

    void songsPaging()
    {
        QFETCH(int, total);
        QFETCH(QList<int>, offsets);
        QFETCH(int, loadedCount);
        serveSongs(total);
        QSignalSpy appended(m_store.get(), &LibraryStore::songsAppended);
        m_store->ensureSongsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(m_store->songsLoaded(), 20'000);
        QCOMPARE(songOffsets(), offsets);
        QCOMPARE(m_store->songs().size(), loadedCount);
        QVERIFY(!m_store->songsError());
        // Each non-empty page is published as it arrives, appended after the last.
        qsizetype next = 0;
        for (const auto &args : appended) {
            QCOMPARE(args.at(0).value<qsizetype>(), next);
            next += args.at(1).value<qsizetype>();
        }
        QCOMPARE(next, qsizetype(loadedCount));
        if (loadedCount > 0)
            QCOMPARE(m_store->songs().last().id, QStringLiteral("s%1").arg(loadedCount - 1));
    }

    void failedSongPageKeepsPublishedPages()
    {
        m_server->setHandler([](const TestHttpServer::Request &request) {
            const int offset = request.queryValue(QStringLiteral("songOffset")).toInt();
            if (offset == 0)
                return TestHttpServer::ok(songsPage(0, 500));
            return TestHttpServer::json("{}", 200);
        });
        m_store->ensureSongsLoaded();
        QTRY_VERIFY(m_store->songsLoaded());
        QCOMPARE(m_store->songs().size(), 500);
        QCOMPARE(m_store->songsError(),
            std::optional<QString>(SubsonicError::invalidResponse().localizedDescription()));
    }

    // refresh() while a page is in flight drops that answer; the next load
    // starts again from offset 0, and only one load runs.
    void refreshWhileSongsPage()
    {
        serveSongs(1200, 300);
        QSignalSpy epoch(m_store.get(), &LibraryStore::epochChanged);
        m_store->ensureSongsLoaded();
        QTRY_COMPARE(m_store->songs().size(), 500);
        QTRY_COMPARE(songOffsets().size(), 2);
        m_store->refresh();
        QCOMPARE(epoch.count(), 1);
        QCOMPARE(m_store->epoch(), 1);
        QVERIFY(m_store->songs().isEmpty());
        QVERIFY(!m_store->songsLoaded());

        m_server->clearRequests();
        m_store->ensureSongsLoaded();
        QTest::qWait(400);
        QVERIFY(m_store->songs().size() <= 500 + 500);
        m_store->ensureSongsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(m_store->songsLoaded(), 20000);
        QCOMPARE(songOffsets(), (QList<int> {0, 500, 1000}));
        QCOMPARE(m_store->songs().size(), 1200);
        QCOMPARE(m_store->songs().first().id, QStringLiteral("s0"));
    }

    // A load cancelled before its task ran must not clear the handle of the
    // load that replaced it: otherwise a further call would start a second one.
    void cancelledLoadLeavesNewHandle()
    {
        m_server->setResponse("/rest/getArtists", TestHttpServer::ok(R"("artists":{"index":[]})"));
        m_store->ensureArtistsLoaded();
        m_store->refresh();
        m_store->ensureArtistsLoaded();
        QCoreApplication::processEvents();
        m_store->ensureArtistsLoaded();
        QTRY_VERIFY(m_store->artistsLoaded());
        QTest::qWait(50);
        QCOMPARE(countRequests(*m_server, "/rest/getArtists"), 1);
    }

    void starredWithArtistsOnly()
    {
        m_server->setResponse("/rest/getStarred2",
            TestHttpServer::ok(R"("starred2":{"artist":[{"id":"ar1","name":"A"},{"id":"ar2","name":"B"}]})"));
        m_store->ensureStarredLoaded();
        QTRY_VERIFY(m_store->starredLoaded());
        QVERIFY(m_store->starredSongs().isEmpty());
        QVERIFY(m_store->starredAlbums().isEmpty());
        QCOMPARE(m_store->starredArtistIds(), (QSet<QString> {"ar1", "ar2"}));
        QVERIFY(!m_store->hasCachedContent());
    }

    void starredFillsIdSets()
    {
        m_server->setResponse("/rest/getStarred2",
            TestHttpServer::ok(R"("starred2":{"song":[)" + songJson("s1") + ',' + songJson("s2")
                + R"(],"album":[)" + albumJson("al1") + "]}"));
        m_store->ensureStarredLoaded();
        QTRY_VERIFY(m_store->starredLoaded());
        QCOMPARE(m_store->starredSongs().size(), 2);
        QCOMPARE(m_store->starredIds(), (QSet<QString> {"s1", "s2"}));
        QCOMPARE(m_store->starredAlbumIds(), (QSet<QString> {"al1"}));
        QVERIFY(m_store->starredArtistIds().isEmpty());
    }

    // refresh() clears in a fixed order, keeps the playlist list, and
    // announces the new epoch last.
    void refreshOrderOfEffects()
    {
        m_server->setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})"));
        m_server->setResponse("/rest/getArtists",
            TestHttpServer::ok(R"("artists":{"index":[{"name":"A","artist":[{"id":"1","name":"Abba"}]}]})"));
        m_server->setResponse(
            "/rest/getStarred2", TestHttpServer::ok(R"("starred2":{"song":[)" + songJson("s1") + "]}"));
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(albumsPage(0, 3)));
        m_store->ensurePlaylistsLoaded();
        m_store->ensureArtistsLoaded();
        m_store->ensureStarredLoaded();
        m_store->ensureHomeRow(AlbumListType::Random);
        m_store->loadMoreAlbums(AlbumListType::Newest);
        QTRY_VERIFY(m_store->playlistsLoaded() && m_store->artistsLoaded() && m_store->starredLoaded()
            && !m_store->homeRandomAlbums().isEmpty()
            && !m_store->albumList(AlbumListType::Newest).isLoading);
        m_server->setResponse("/rest/getAlbum", TestHttpServer::ok(R"("album":)" + albumJson("al1")));
        QVERIFY(LibraryFixtures::wait(m_store->albumDetail("al1")).value);

        QStringList order;
        const auto record = [this, &order](auto signal, const char *name) {
            connect(m_store.get(), signal, this, [&order, name] { order.append(QString::fromLatin1(name)); });
        };
        record(&LibraryStore::albumListsChanged, "albumLists");
        record(&LibraryStore::homeRandomAlbumsChanged, "homeRandomAlbums");
        record(&LibraryStore::allArtistsChanged, "allArtists");
        record(&LibraryStore::artistsLoadedChanged, "artistsLoaded");
        record(&LibraryStore::starredSongsChanged, "starredSongs");
        record(&LibraryStore::starredLoadedChanged, "starredLoaded");
        record(&LibraryStore::starredIdsChanged, "starredIds");
        record(&LibraryStore::playlistsLoadedChanged, "playlistsLoaded");
        record(&LibraryStore::playlistsChanged, "playlists");
        record(&LibraryStore::albumDetailsChanged, "albumDetails");
        record(&LibraryStore::playlistDetailsChanged, "playlistDetails");
        record(&LibraryStore::epochChanged, "epoch");
        QSignalSpy cached(m_store.get(), &LibraryStore::hasCachedContentChanged);

        m_store->refresh();
        QCOMPARE(order,
            (QStringList {"albumLists", "homeRandomAlbums", "allArtists", "artistsLoaded", "starredSongs",
                "starredLoaded", "starredIds", "playlistsLoaded", "albumDetails", "playlistDetails",
                "epoch"}));
        QCOMPARE(m_store->epoch(), 1);
        QCOMPARE(m_store->playlists().size(), 1);
        QVERIFY(m_store->hasCachedContent());
        QCOMPARE(cached.count(), 0);
        QVERIFY(m_store->albumList(AlbumListType::Newest).albums.isEmpty());
        QVERIFY(m_store->albumDetails().isEmpty());
        QVERIFY(m_store->allArtists().isEmpty() && m_store->artistIndexes().isEmpty());
        QVERIFY(!m_store->homeRandomLoading());
    }

    // A write of an equal value wakes nobody.
    void equalWritesDoNotNotify()
    {
        m_server->setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})"));
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        QSignalSpy playlists(m_store.get(), &LibraryStore::playlistsChanged);
        QSignalSpy reachability(m_store.get(), &LibraryStore::reachabilityChanged);
        m_store->refresh();
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        QCOMPARE(playlists.count(), 0);
        QCOMPARE(reachability.count(), 0);
    }

    // cancelAll() stops every load without writing anything, so a new store
    // built meanwhile never sees two loads of one account.
    void cancelAllWritesNothing()
    {
        TestHttpServer::Response slow = TestHttpServer::ok(R"("artists":{"index":[]})");
        slow.delayMs = 200;
        m_server->setResponse("/rest/getArtists", slow);
        m_server->setResponse("/rest/getAlbumList2", slow);
        m_store->ensureArtistsLoaded();
        m_store->loadMoreAlbums(AlbumListType::Frequent);
        m_store->ensureHomeRow(AlbumListType::Random);
        QTRY_COMPARE(m_server->requests().size(), 3);
        m_store->cancelAll();
        QTest::qWait(300);
        QVERIFY(!m_store->artistsLoaded());
        QVERIFY(!m_store->artistsError());
        QVERIFY(!m_store->homeRandomLoading());
        QVERIFY(!m_store->homeRandomError());
        QCOMPARE(m_store->epoch(), 0);
    }

    // A store dropped while its loads wait is not touched when they resume.
    void storeDroppedDuringLoad()
    {
        TestHttpServer::Response slow = TestHttpServer::ok(songsPage(0, 10));
        slow.delayMs = 100;
        m_server->setResponse("/rest/search3", slow);
        m_store->ensureSongsLoaded();
        QTRY_COMPARE(m_server->requests().size(), 1);
        m_store.reset();
        QTest::qWait(200);
    }
};

QTEST_GUILESS_MAIN(TestLibraryStore)
#include "tst_LibraryStore.moc"
