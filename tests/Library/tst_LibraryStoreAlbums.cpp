#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "Helpers/RecordLists.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"

using namespace LibraryFixtures;

// Paged album lists, the home rows, detail look-ups and the discography.
class TestLibraryStoreAlbums : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_store;

    QList<int> albumOffsets(const QString &type) const
    {
        QList<int> offsets;
        for (const auto &request : m_server->requests()) {
            if (request.path() == "/rest/getAlbumList2" && request.queryValue(QStringLiteral("type")) == type)
                offsets.append(request.queryValue(QStringLiteral("offset")).toInt());
        }
        return offsets;
    }

    static QByteArray albumWithSongs(const QString &id, const QStringList &songIds)
    {
        QList<QByteArray> songs;
        for (const QString &songId : songIds)
            songs.append(songJson(songId, id));
        return R"("album":)" + albumJson(id, R"("song":)" + joined(songs));
    }

private Q_SLOTS:
    void init() { QVERIFY(startStore(m_server, m_store)); }
    void cleanup() { stopStore(m_server, m_store); }

    // Pages of 60: a full page leaves the list open, repeated ids are dropped,
    // a short page ends it.
    void pagingWithDeduplication()
    {
        m_server->setHandler([](const TestHttpServer::Request &request) {
            const int offset = request.queryValue(QStringLiteral("offset")).toInt();
            if (offset == 0)
                return TestHttpServer::ok(albumsPage(0, 60));
            if (offset == 60) // 5 repeat albums already shown, 55 new ones
                return TestHttpServer::ok(albumsPage(55, 60));
            return TestHttpServer::ok(albumsPage(1000, 37, QStringLiteral("b")));
        });
        QSignalSpy changed(m_store.get(), &LibraryStore::albumListsChanged);
        m_store->loadMoreAlbums(AlbumListType::Newest);
        m_store->loadMoreAlbums(AlbumListType::Newest);
        QVERIFY(m_store->albumList(AlbumListType::Newest).isLoading);
        QTRY_VERIFY(!m_store->albumList(AlbumListType::Newest).isLoading);
        QCOMPARE(m_store->albumList(AlbumListType::Newest).albums.size(), 60);
        QVERIFY(!m_store->albumList(AlbumListType::Newest).reachedEnd);
        QCOMPARE(albumOffsets("newest"), QList<int> {0});
        QCOMPARE(m_server->lastRequest().queryValue("size"), QStringLiteral("60"));
        QCOMPARE(changed.count(), 2);

        m_store->loadMoreAlbums(AlbumListType::Newest);
        QTRY_VERIFY(!m_store->albumList(AlbumListType::Newest).isLoading);
        const AlbumListState second = m_store->albumList(AlbumListType::Newest);
        QCOMPARE(second.albums.size(), 115);
        QVERIFY(!second.reachedEnd);
        QCOMPARE(second.albums.at(60).id, QStringLiteral("a60"));

        m_store->loadMoreAlbums(AlbumListType::Newest);
        QTRY_VERIFY(!m_store->albumList(AlbumListType::Newest).isLoading);
        QCOMPARE(albumOffsets("newest"), (QList<int> {0, 60, 115}));
        QCOMPARE(m_store->albumList(AlbumListType::Newest).albums.size(), 152);
        QVERIFY(m_store->albumList(AlbumListType::Newest).reachedEnd);

        m_store->loadMoreAlbums(AlbumListType::Newest);
        m_store->ensureHomeRow(AlbumListType::Newest);
        QTest::qWait(50);
        QCOMPARE(albumOffsets("newest").size(), 3);
        // Other types page on their own.
        QVERIFY(m_store->albumList(AlbumListType::Frequent).albums.isEmpty());
    }

    void emptyFirstPage()
    {
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(R"("albumList2":{})"));
        m_store->ensureHomeRow(AlbumListType::Recent);
        QTRY_VERIFY(m_store->homeRowState(AlbumListType::Recent).reachedEnd);
        m_store->ensureHomeRow(AlbumListType::Recent);
        QTest::qWait(50);
        QCOMPARE(albumOffsets("recent"), QList<int> {0});
        QVERIFY(m_store->homeRowState(AlbumListType::Recent).albums.isEmpty());
    }

    // A failed page keeps what was shown and tries the same offset again.
    void failedSecondPage()
    {
        m_server->setHandler([](const TestHttpServer::Request &request) {
            const int offset = request.queryValue(QStringLiteral("offset")).toInt();
            if (offset == 0)
                return TestHttpServer::ok(albumsPage(0, 60));
            return TestHttpServer::json("boom", 503);
        });
        m_store->loadMoreAlbums(AlbumListType::Highest);
        QTRY_COMPARE(m_store->albumList(AlbumListType::Highest).albums.size(), 60);
        m_store->loadMoreAlbums(AlbumListType::Highest);
        QTRY_VERIFY(m_store->albumList(AlbumListType::Highest).errorMessage);
        AlbumListState state = m_store->albumList(AlbumListType::Highest);
        QCOMPARE(state.albums.size(), 60);
        QCOMPARE(*state.errorMessage, QStringLiteral("The server returned HTTP 503."));
        QVERIFY(!state.isLoading);
        QVERIFY(!state.reachedEnd);
        QVERIFY(m_store->reachability().isOk());
        QVERIFY(!m_store->lastFailure());

        m_store->loadMoreAlbums(AlbumListType::Highest);
        // The old text goes as the new attempt starts.
        QVERIFY(!m_store->albumList(AlbumListType::Highest).errorMessage);
        QTRY_VERIFY(m_store->albumList(AlbumListType::Highest).errorMessage);
        QCOMPARE(albumOffsets("highest"), (QList<int> {0, 60, 60}));
    }

    void offlinePageMarksServerFailing()
    {
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::dropped());
        m_store->loadMoreAlbums(AlbumListType::AlphabeticalByName);
        QTRY_VERIFY(!m_store->albumList(AlbumListType::AlphabeticalByName).isLoading);
        QVERIFY(m_store->reachability().isFailing());
        QCOMPARE(m_store->reachability().fault(), ConnectionFault::offline());

        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(albumsPage(0, 2)));
        m_store->loadMoreAlbums(AlbumListType::AlphabeticalByName);
        QTRY_COMPARE(m_store->albumList(AlbumListType::AlphabeticalByName).albums.size(), 2);
        QVERIFY(m_store->reachability().isOk());
    }

    // A page task asked for just before refresh() starts from the emptied list,
    // is dropped, and leaves the entry of the page that replaced it alone.
    void pageAskedBeforeRefresh()
    {
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(albumsPage(0, 60)));
        m_store->loadMoreAlbums(AlbumListType::Newest);
        m_store->refresh();
        QVERIFY(m_store->albumList(AlbumListType::Newest).albums.isEmpty());
        m_store->loadMoreAlbums(AlbumListType::Newest);
        QCoreApplication::processEvents();
        m_store->loadMoreAlbums(AlbumListType::Newest);
        QTRY_COMPARE(m_store->albumList(AlbumListType::Newest).albums.size(), 60);
        QTest::qWait(50);
        QCOMPARE(albumOffsets("newest"), QList<int> {0});
    }

    // The random row fetches 20 albums once; after a failure the next call
    // tries again.
    void randomRowRetries()
    {
        TestHttpServer::Response failing = TestHttpServer::json("boom", 500);
        failing.delayMs = 100;
        m_server->setResponse("/rest/getAlbumList2", failing);
        m_store->ensureHomeRow(AlbumListType::Random);
        AlbumListState state = m_store->homeRowState(AlbumListType::Random);
        QVERIFY(state.isLoading);
        QVERIFY(state.reachedEnd);
        m_store->ensureHomeRow(AlbumListType::Random);
        QTRY_VERIFY(m_store->homeRandomError());
        QVERIFY(!m_store->homeRowState(AlbumListType::Random).isLoading);
        QCOMPARE(*m_store->homeRowState(AlbumListType::Random).errorMessage,
            QStringLiteral("The server returned HTTP 500."));
        QCOMPARE(albumOffsets("random").size(), 1);
        QCOMPARE(m_server->lastRequest().queryValue("size"), QStringLiteral("20"));

        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(albumsPage(0, 20)));
        m_store->ensureHomeRow(AlbumListType::Random);
        QVERIFY(!m_store->homeRandomError());
        QTRY_COMPARE(m_store->homeRowState(AlbumListType::Random).albums.size(), 20);
        QVERIFY(!m_store->homeRowState(AlbumListType::Random).errorMessage);
        m_store->ensureHomeRow(AlbumListType::Random);
        QTest::qWait(50);
        QCOMPARE(albumOffsets("random").size(), 2);
        // The random row is not the paged random list.
        QVERIFY(m_store->albumList(AlbumListType::Random).albums.isEmpty());
    }

    void albumDetailCached()
    {
        m_server->setResponse("/rest/getAlbum", TestHttpServer::ok(albumWithSongs("al1", {"s1", "s2"})));
        const Outcome<Album> first = wait(m_store->albumDetail("al1"));
        QVERIFY(first.value);
        QCOMPARE(idsOf(*first.value->song), (QStringList {"s1", "s2"}));
        const Outcome<Album> second = wait(m_store->albumDetail("al1"));
        QCOMPARE(*second.value, *first.value);
        QCOMPARE(countRequests(*m_server, "/rest/getAlbum"), 1);

        m_store->refresh();
        QVERIFY(wait(m_store->albumDetail("al1")).value);
        QCOMPARE(countRequests(*m_server, "/rest/getAlbum"), 2);
    }

    // Detail errors reach the caller and change neither reachability nor the
    // failure record.
    void detailErrorsPassThrough()
    {
        m_server->setResponse("/rest/getArtist", TestHttpServer::dropped());
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::failed(70, "Playlist not found"));
        const Outcome<ArtistDetail> artist = wait(m_store->artistDetail("ar"));
        QVERIFY(!artist.value);
        QVERIFY_THROWS_EXCEPTION(TransportError, std::rethrow_exception(artist.error));
        const Outcome<PlaylistDetail> playlist = wait(m_store->playlistDetail("p"));
        QVERIFY_THROWS_EXCEPTION(SubsonicError, std::rethrow_exception(playlist.error));
        QVERIFY(m_store->reachability().isOk());
        QVERIFY(!m_store->lastFailure());
        QVERIFY(m_store->artistDetails().isEmpty());
        QVERIFY(m_store->playlistDetails().isEmpty());
    }

    // An answer that arrives after refresh() goes to the caller, not into the
    // emptied cache.
    void detailAfterRefreshNotCached()
    {
        TestHttpServer::Response slow = TestHttpServer::ok(albumWithSongs("al1", {"s1"}));
        slow.delayMs = 150;
        m_server->setResponse("/rest/getAlbum", slow);
        QCoro::Task<Outcome<Album>> pending = capture(m_store->albumDetail("al1"));
        QTRY_COMPARE(m_server->requests().size(), 1);
        m_store->refresh();
        const Outcome<Album> outcome = QCoro::waitFor(std::move(pending));
        QVERIFY(outcome.value);
        QVERIFY(m_store->albumDetails().isEmpty());
    }

    void discographyOrder()
    {
        const auto album = [](const QString &id, std::optional<qint64> year) {
            Album a;
            a.id = id;
            a.name = id;
            a.year = year;
            return a;
        };
        const QList<Album> ordered
            = LibraryStore::discographyOrder({album("first2001", 2001), album("none1", {}), album("zero", 0),
                album("y2019", 2019), album("second2001", 2001), album("none2", {})});
        QCOMPARE(
            idsOf(ordered), (QStringList {"y2019", "first2001", "second2001", "none1", "zero", "none2"}));
    }

    // Albums are fetched one at a time, newest first; one that fails is left
    // out; cached albums cost no request.
    void discographySongs()
    {
        m_server->setResponse("/rest/getArtist",
            TestHttpServer::ok(R"("artist":{"id":"ar","name":"Artist","album":[)"
                + albumJson("old", R"("year":1990)") + ',' + albumJson("bad", R"("year":2000)") + ','
                + albumJson("new", R"("year":2010)") + "]}"));
        m_server->setHandler([](const TestHttpServer::Request &request) {
            const QString id = request.queryValue(QStringLiteral("id"));
            if (request.path() != "/rest/getAlbum" || id == QStringLiteral("bad"))
                return TestHttpServer::failed(70, "Album not found");
            return TestHttpServer::ok(albumWithSongs(id, {id + "-1", id + "-2"}));
        });
        const Outcome<QList<Song>> songs = wait(m_store->artistDiscographySongs("ar"));
        QVERIFY(songs.value);
        QCOMPARE(idsOf(*songs.value), (QStringList {"new-1", "new-2", "old-1", "old-2"}));
        QStringList asked;
        for (const auto &request : m_server->requests())
            asked.append(QString::fromLatin1(request.path()) + ':' + request.queryValue("id"));
        QCOMPARE(asked,
            (QStringList {
                "/rest/getArtist:ar", "/rest/getAlbum:new", "/rest/getAlbum:bad", "/rest/getAlbum:old"}));
        QCOMPARE(m_store->albumDetails().size(), 2);

        // Everything cached now but the failed album: one request.
        m_server->clearRequests();
        QCOMPARE(idsOf(*wait(m_store->artistDiscographySongs("ar")).value), idsOf(*songs.value));
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->lastRequest().queryValue("id"), QStringLiteral("bad"));
    }

    void discographyOfMissingArtist()
    {
        m_server->setResponse("/rest/getArtist", TestHttpServer::failed(70, "Artist not found"));
        const Outcome<QList<Song>> songs = wait(m_store->artistDiscographySongs("ar"));
        QVERIFY(!songs.value);
        try {
            std::rethrow_exception(songs.error);
        } catch (const SubsonicError &error) {
            QCOMPARE(error, SubsonicError::server(70, QStringLiteral("Artist not found")));
        } catch (...) {
            QFAIL("unexpected error type");
        }
        QCOMPARE(m_server->requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLibraryStoreAlbums)
#include "tst_LibraryStoreAlbums.moc"
