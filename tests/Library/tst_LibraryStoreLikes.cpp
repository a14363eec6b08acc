#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "Helpers/RecordLists.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"
#include "Networking/UrlSession.h"

using namespace LibraryFixtures;

// Likes, failure records and the two retries.
class TestLibraryStoreLikes : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_store;

    static Song song(const QString &id)
    {
        Song s;
        s.id = id;
        s.title = QStringLiteral("Song ") + id;
        return s;
    }

    static Album album(const QString &id)
    {
        Album a;
        a.id = id;
        a.name = QStringLiteral("Album ") + id;
        return a;
    }

    // A like of "s1" that the server refuses.
    void refuseALike()
    {
        m_server->setResponse("/rest/star", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");
        m_store->toggleStar(song("s1"));
    }

    int starCalls() const
    {
        return countRequests(*m_server, "/rest/star") + countRequests(*m_server, "/rest/unstar");
    }

    void loadStarred(const QByteArray &fields)
    {
        m_server->setResponse("/rest/getStarred2", TestHttpServer::ok(R"("starred2":{)" + fields + "}"));
        m_store->ensureStarredLoaded();
        QTRY_VERIFY(m_store->starredLoaded());
    }

    void waitForStarCalls(int count)
    {
        QTRY_COMPARE(starCalls(), count);
        // Let the answers land.
        QTest::qWait(30);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(startStore(m_server, m_store));
        m_server->setResponse("/rest/star", TestHttpServer::ok());
        m_server->setResponse("/rest/unstar", TestHttpServer::ok());
    }

    void cleanup() { stopStore(m_server, m_store); }

    void likeAppliesAtOnce()
    {
        loadStarred(R"("song":[)" + songJson("s1") + "]");
        m_store->toggleStar(song("s2"));
        // Local first, before any request left.
        QCOMPARE(idsOf(m_store->starredSongs()), (QStringList {"s2", "s1"}));
        QVERIFY(m_store->isStarred(song("s2")));
        waitForStarCalls(1);
        QCOMPARE(m_server->lastRequest().path(), QByteArray("/rest/star"));
        QCOMPARE(m_server->lastRequest().queryValue("id"), QStringLiteral("s2"));
        QVERIFY(!m_store->lastFailure());

        // Unliking and liking again puts the song first.
        m_store->toggleStar(song("s1"));
        QCOMPARE(idsOf(m_store->starredSongs()), QStringList {"s2"});
        m_store->toggleStar(song("s1"));
        QCOMPARE(idsOf(m_store->starredSongs()), (QStringList {"s1", "s2"}));
        waitForStarCalls(3);
        QCOMPARE(idsOf(m_store->starredSongs()), (QStringList {"s1", "s2"}));
    }

    void unlikeRemovesEveryCopy()
    {
        loadStarred(R"("song":[)" + songJson("s1") + ',' + songJson("s2") + ',' + songJson("s1") + "]");
        m_store->toggleStar(song("s1"));
        QCOMPARE(idsOf(m_store->starredSongs()), QStringList {"s2"});
        QVERIFY(!m_store->starredIds().contains("s1"));
        waitForStarCalls(1);
        QCOMPARE(m_server->lastRequest().path(), QByteArray("/rest/unstar"));
    }

    void endpointsDifferByParameter()
    {
        m_store->toggleStarAlbum(album("al1"));
        waitForStarCalls(1);
        QCOMPARE(m_server->lastRequest().queryValue("albumId"), QStringLiteral("al1"));
        QCOMPARE(idsOf(m_store->starredAlbums()), QStringList {"al1"});
        m_store->toggleStarArtist("ar1");
        waitForStarCalls(2);
        QCOMPARE(m_server->lastRequest().queryValue("artistId"), QStringLiteral("ar1"));
        // An artist like touches only the artist ids.
        QCOMPARE(m_store->starredArtistIds(), QSet<QString> {"ar1"});
        QVERIFY(m_store->starredSongs().isEmpty());
        QCOMPARE(m_store->starredAlbums().size(), 1);
    }

    void failedLikeRollsBack_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("startLiked");
        QTest::newRow("song like") << "song" << false;
        QTest::newRow("song unlike") << "song" << true;
        QTest::newRow("album like") << "album" << false;
        QTest::newRow("album unlike") << "album" << true;
        QTest::newRow("artist like") << "artist" << false;
        QTest::newRow("artist unlike") << "artist" << true;
    }

    // A failed call puts the item back (an unliked song goes back first), records
    // "update your likes" with a retry and logs one line.
    void failedLikeRollsBack()
    {
        QFETCH(QString, kind);
        QFETCH(bool, startLiked);
        loadStarred(R"("song":[)" + songJson("s0") + ',' + songJson("s1") + R"(],"album":[)" + albumJson("a0")
            + ',' + albumJson("a1") + R"(],"artist":[{"id":"r1","name":"R"}])");
        const QString id = kind == "song" ? (startLiked ? "s1" : "s9")
            : kind == "album"             ? (startLiked ? "a1" : "a9")
                                          : (startLiked ? "r1" : "r9");
        const auto liked = [&] {
            if (kind == "song")
                return m_store->isStarred(song(id));
            if (kind == "album")
                return m_store->isStarredAlbum(album(id));
            return m_store->isStarredArtist(id);
        };
        m_server->setResponse(startLiked ? "/rest/unstar" : "/rest/star", TestHttpServer::json("boom", 500));
        QSignalSpy failures(m_store.get(), &LibraryStore::lastFailureChanged);
        QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");
        if (kind == "song")
            m_store->toggleStar(song(id));
        else if (kind == "album")
            m_store->toggleStarAlbum(album(id));
        else
            m_store->toggleStarArtist(id);
        QCOMPARE(liked(), !startLiked);
        QTRY_COMPARE(failures.count(), 1);
        QCOMPARE(liked(), startLiked);
        if (kind == "song")
            QCOMPARE(idsOf(m_store->starredSongs()),
                (startLiked ? QStringList {"s1", "s0"} : QStringList {"s0", "s1"}));
        if (kind == "album")
            QCOMPARE(idsOf(m_store->starredAlbums()),
                (startLiked ? QStringList {"a1", "a0"} : QStringList {"a0", "a1"}));
        const StoreFailure failure = *m_store->lastFailure();
        QCOMPARE(failure.action(), QStringLiteral("update your likes"));
        QCOMPARE(failure.message(),
            QStringLiteral("Couldn't update your likes \u2014 the server returned HTTP 500."));
        QVERIFY(failure.canRetry());
        QVERIFY(m_store->reachability().isOk());

        // The retry re-applies the change at once and sends it again.
        m_server->setResponse(startLiked ? "/rest/unstar" : "/rest/star", TestHttpServer::ok());
        QCoro::waitFor(m_store->retryLastFailure());
        QVERIFY(!m_store->lastFailure());
        QCOMPARE(liked(), !startLiked);
        waitForStarCalls(2);
        QCOMPARE(liked(), !startLiked);
        QVERIFY(!m_store->lastFailure());
    }

    // The retry never undoes what the user did by hand meanwhile.
    void retryKeepsManualChange()
    {
        refuseALike();
        QTRY_VERIFY(m_store->lastFailure());
        QVERIFY(!m_store->isStarred(song("s1")));

        m_server->setResponse("/rest/star", TestHttpServer::ok());
        m_store->toggleStar(song("s1"));
        waitForStarCalls(2);
        QVERIFY(m_store->isStarred(song("s1")));

        QCoro::waitFor(m_store->retryLastFailure());
        QTest::qWait(50);
        QVERIFY(m_store->isStarred(song("s1")));
        QCOMPARE(starCalls(), 2);
    }

    void crossingFailures_data()
    {
        QTest::addColumn<bool>("likeFails");
        QTest::addColumn<bool>("unlikeFails");
        QTest::addColumn<int>("likeDelay");
        QTest::addColumn<int>("unlikeDelay");
        QTest::addColumn<bool>("endsLiked");

        // Both fail: the server never changed, so the song stays unliked.
        QTest::newRow("both fail, in order") << true << true << 20 << 120 << false;
        QTest::newRow("both fail, crossed") << true << true << 120 << 20 << false;
        // Only the like reached the server: the song is liked there.
        QTest::newRow("unlike fails first, like succeeds") << false << true << 120 << 20 << true;
        QTest::newRow("like fails, unlike succeeds") << true << false << 20 << 120 << false;
        QTest::newRow("both succeed") << false << false << 20 << 120 << false;
    }

    // Several changes of one item in flight: once all are answered, an item
    // with a failure among them shows what the server last confirmed.
    void crossingFailures()
    {
        QFETCH(bool, likeFails);
        QFETCH(bool, unlikeFails);
        QFETCH(int, likeDelay);
        QFETCH(int, unlikeDelay);
        QFETCH(bool, endsLiked);
        // The store's answers as they arrive.
        QSignalSpy answers(UrlSession::shared()->manager(), &QNetworkAccessManager::finished);

        TestHttpServer::Response like = likeFails ? TestHttpServer::json("boom", 500) : TestHttpServer::ok();
        like.delayMs = likeDelay;
        TestHttpServer::Response unlike
            = unlikeFails ? TestHttpServer::json("boom", 500) : TestHttpServer::ok();
        unlike.delayMs = unlikeDelay;
        m_server->setResponse("/rest/star", like);
        m_server->setResponse("/rest/unstar", unlike);
        for (int i = 0; i < int(likeFails) + int(unlikeFails); ++i)
            QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");

        m_store->toggleStar(song("s1"));
        m_store->toggleStar(song("s1"));
        QVERIFY(!m_store->isStarred(song("s1")));
        QTRY_COMPARE(answers.count(), 2);
        QCOMPARE(m_store->isStarred(song("s1")), endsLiked);
        QCOMPARE(m_store->starredSongs().size(), endsLiked ? 1 : 0);
    }

    void offlineLikeMarksServerFailing()
    {
        m_server->setResponse("/rest/star", TestHttpServer::dropped());
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                QStringLiteral("^update your likes failed: The network connection was lost\\.$")));
        m_store->toggleStarArtist("r1");
        QTRY_VERIFY(m_store->lastFailure());
        QCOMPARE(m_store->reachability(), ServerReachability::failing(ConnectionFault::offline()));
        QCOMPARE(m_store->lastFailure()->message(),
            QStringLiteral("Couldn't update your likes \u2014 can't reach your server"));

        m_server->setResponse("/rest/star", TestHttpServer::ok());
        m_store->toggleStarAlbum(album("a1"));
        QTRY_VERIFY(m_store->reachability().isOk());
    }

    // Each recording is a new failure, so observers see both.
    void repeatedFailuresNotify()
    {
        m_server->setResponse("/rest/star", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");
        QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");
        QSignalSpy failures(m_store.get(), &LibraryStore::lastFailureChanged);
        m_store->toggleStar(song("s1"));
        QTRY_COMPARE(failures.count(), 1);
        const QUuid first = m_store->lastFailure()->id();
        m_store->toggleStar(song("s1"));
        QTRY_COMPARE(failures.count(), 2);
        QVERIFY(m_store->lastFailure()->id() != first);

        // Writing the same failure again is silent; dismissing notifies.
        m_store->setLastFailure(m_store->lastFailure());
        QCOMPARE(failures.count(), 2);
        m_store->setLastFailure(std::nullopt);
        QCOMPARE(failures.count(), 3);
        // Nothing to retry: nothing happens.
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(starCalls(), 2);
    }

    // A retry kept after its store is gone does nothing.
    void retryAfterStoreGone()
    {
        refuseALike();
        QTRY_VERIFY(m_store->lastFailure());
        const StoreFailure failure = *m_store->lastFailure();
        m_store.reset();
        QCoro::waitFor(failure.retry()());
        QTest::qWait(50);
        QCOMPARE(starCalls(), 1);
    }

    // One connection retry at a time; success clears the failure and reloads.
    void retryConnectionSucceeds()
    {
        refuseALike();
        QTRY_VERIFY(m_store->lastFailure());

        TestHttpServer::Response ping = TestHttpServer::ok();
        ping.delayMs = 100;
        m_server->setResponse("/rest/ping", ping);
        QSignalSpy retrying(m_store.get(), &LibraryStore::isRetryingChanged);
        QCoro::Task<> first = m_store->retryConnection();
        QVERIFY(m_store->isRetrying());
        QCoro::waitFor(m_store->retryConnection());
        QCoro::waitFor(std::move(first));
        QCOMPARE(countRequests(*m_server, "/rest/ping"), 1);
        QVERIFY(!m_store->isRetrying());
        QCOMPARE(retrying.count(), 2);
        QVERIFY(!m_store->lastFailure());
        QVERIFY(m_store->reachability().isOk());
        QCOMPARE(m_store->epoch(), 1);
    }

    void retryConnectionFails()
    {
        refuseALike();
        QTRY_VERIFY(m_store->lastFailure());
        const StoreFailure kept = *m_store->lastFailure();

        // Nothing more may be logged.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        m_server->setResponse("/rest/ping", TestHttpServer::failed(40, "Wrong username or password"));
        QCoro::waitFor(m_store->retryConnection());
        QCOMPARE(m_store->reachability(), ServerReachability::failing(ConnectionFault::unauthorized()));
        QVERIFY(m_store->lastFailure() == kept);
        QCOMPARE(m_store->epoch(), 0);
        QVERIFY(!m_store->isRetrying());

        m_server->setResponse("/rest/ping", TestHttpServer::json("boom", 502));
        QCoro::waitFor(m_store->retryConnection());
        // A server fault leaves the verdict as it was.
        QCOMPARE(m_store->reachability(), ServerReachability::failing(ConnectionFault::unauthorized()));
    }
};

QTEST_GUILESS_MAIN(TestLibraryStoreLikes)
#include "tst_LibraryStoreLikes.moc"
