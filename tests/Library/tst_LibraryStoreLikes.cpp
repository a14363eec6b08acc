#include <QNetworkAccessManager>
#include <QNetworkReply>
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
    // Answers of this test's server that reached the store, counted as they
    // land (a row's answers cannot count in the next one).
    int m_answers = 0;
    QMetaObject::Connection m_answerWatch;

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
        m_answers = 0;
        m_answerWatch = connect(UrlSession::shared()->manager(), &QNetworkAccessManager::finished, this,
            [this](QNetworkReply *reply) { m_answers += reply->url().port() == m_server->port(); });
        m_server->setResponse("/rest/star", TestHttpServer::ok());
        m_server->setResponse("/rest/unstar", TestHttpServer::ok());
    }

    void cleanup()
    {
        disconnect(m_answerWatch);
        stopStore(m_server, m_store);
    }

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
        QTRY_COMPARE(m_answers, 2);
        QCOMPARE(m_store->isStarred(song("s1")), endsLiked);
        QCOMPARE(m_store->starredSongs().size(), endsLiked ? 1 : 0);
    }

    void likeMadeWhileTheListLoads_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("likeDelay");
        QTest::addColumn<bool>("pressedFirst");
        // The list takes 300 ms: a change answered at once is through before
        // it lands, one answered after 600 ms is still out. Two presses like
        // and unlike again an item the list still has.
        QTest::newRow("song like answered first") << "song" << 1 << 0 << false;
        QTest::newRow("song like still out") << "song" << 1 << 600 << false;
        QTest::newRow("song unlike still out") << "song" << 2 << 600 << false;
        QTest::newRow("album like still out") << "album" << 1 << 600 << false;
        QTest::newRow("album unlike answered first") << "album" << 2 << 0 << false;
        QTest::newRow("artist like answered first") << "artist" << 1 << 0 << false;
        QTest::newRow("artist unlike still out") << "artist" << 2 << 600 << false;
        // Pressed as the list is asked for: the change is out when the list
        // leaves, and answered before it lands.
        QTest::newRow("song like out as the list is asked for") << "song" << 1 << 0 << true;
        QTest::newRow("album unlike out as the list is asked for") << "album" << 2 << 0 << true;
    }

    // A liked list the server read before a change of a like does not undo it.
    void likeMadeWhileTheListLoads()
    {
        QFETCH(QString, kind);
        QFETCH(int, presses);
        QFETCH(int, likeDelay);
        QFETCH(bool, pressedFirst);
        QByteArray listed;
        if (presses == 2)
            listed = kind == "song" ? R"("song":[)" + songJson("x") + "]"
                : kind == "album"   ? R"("album":[)" + albumJson("x") + "]"
                                    : QByteArray(R"("artist":[{"id":"x","name":"X"}])");
        TestHttpServer::Response list = TestHttpServer::ok(R"("starred2":{)" + listed + "}");
        list.delayMs = 300;
        m_server->setResponse("/rest/getStarred2", list);
        TestHttpServer::Response change = TestHttpServer::ok();
        change.delayMs = likeDelay;
        m_server->setResponse("/rest/star", change);
        m_server->setResponse("/rest/unstar", change);
        const auto liked = [&] {
            if (kind == "song")
                return m_store->isStarred(song("x"));
            if (kind == "album")
                return m_store->isStarredAlbum(album("x"));
            return m_store->isStarredArtist("x");
        };
        if (!pressedFirst) {
            m_store->ensureStarredLoaded();
            QTRY_COMPARE(countRequests(*m_server, "/rest/getStarred2"), 1);
        }

        for (int press = 0; press < presses; ++press) {
            if (kind == "song")
                m_store->toggleStar(song("x"));
            else if (kind == "album")
                m_store->toggleStarAlbum(album("x"));
            else
                m_store->toggleStarArtist("x");
            if (!pressedFirst)
                QTRY_COMPARE(starCalls(), press + 1);
        }
        if (pressedFirst) {
            m_store->ensureStarredLoaded();
            QTRY_COMPARE(starCalls(), presses);
            QTRY_COMPARE(countRequests(*m_server, "/rest/getStarred2"), 1);
        }
        const bool wanted = presses == 1;
        QCOMPARE(liked(), wanted);
        QTRY_VERIFY(m_store->starredLoaded());
        QCOMPARE(liked(), wanted);
        if (kind == "song")
            QCOMPARE(m_store->starredSongs().size(), wanted ? 1 : 0);
        if (kind == "album")
            QCOMPARE(m_store->starredAlbums().size(), wanted ? 1 : 0);
        QTRY_COMPARE(m_answers, 1 + presses);
        QCOMPARE(liked(), wanted);
        QVERIFY(!m_store->lastFailure());
    }

    void threeQuickPresses_data()
    {
        // Like, unlike, like, in the order sent: which the server accepts,
        // and the place of each answer among the three answers.
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("answerOrder");
        for (const char *order : {"1,2,3", "1,3,2", "2,1,3", "2,3,1", "3,1,2", "3,2,1"})
            QTest::addRow("last like fails, answers %s", order) << "yes,yes,no" << order;
        QTest::newRow("first and last fail") << "no,yes,no"
                                             << "3,1,2";
        QTest::newRow("only the unlike fails") << "yes,no,yes"
                                               << "3,2,1";
        QTest::newRow("all fail") << "no,no,no"
                                  << "2,3,1";
        QTest::newRow("all succeed") << "yes,yes,yes"
                                     << "3,1,2";
        QTest::newRow("only the first succeeds") << "yes,no,no"
                                                 << "3,2,1";
    }

    // However the answers cross, once they are in the screen shows what the
    // server holds, and a failed last press is what Retry sends.
    void threeQuickPresses()
    {
        QFETCH(QString, accepted);
        QFETCH(QString, answerOrder);
        const QStringList accepts = accepted.split(u',');
        const QStringList places = answerOrder.split(u',');
        // The server takes each call as it arrives, answers some of them late.
        bool held = false;
        int received = 0;
        m_server->clearResponses();
        m_server->setHandler([&](const TestHttpServer::Request &request) {
            const bool star = request.path() == "/rest/star";
            if (!star && request.path() != "/rest/unstar")
                return TestHttpServer::ok();
            const int n = received++;
            if (n >= 3 || accepts.at(n) == "yes") {
                if (request.queryValue("id") == QStringLiteral("s1"))
                    held = star;
                TestHttpServer::Response response = TestHttpServer::ok();
                response.delayMs = n < 3 ? places.at(n).toInt() * 150 : 0;
                return response;
            }
            TestHttpServer::Response response = TestHttpServer::json("boom", 500);
            response.delayMs = places.at(n).toInt() * 150;
            return response;
        });
        const int failures = int(accepts.count("no"));
        for (int i = 0; i < failures; ++i)
            QTest::ignoreMessage(QtWarningMsg, "update your likes failed: The server returned HTTP 500.");

        for (int press = 1; press <= 3; ++press) {
            m_store->toggleStar(song("s1"));
            QCOMPARE(m_store->isStarred(song("s1")), press != 2);
            // Each press reaches the server before the next.
            QTRY_COMPARE(starCalls(), press);
        }
        QTRY_COMPARE(m_answers, 3);
        QCOMPARE(m_store->isStarred(song("s1")), held);
        QCOMPARE(m_store->starredSongs().size(), held ? 1 : 0);
        QCOMPARE(bool(m_store->lastFailure()), failures > 0);
        if (!m_store->lastFailure())
            return;

        // Retry sends the last press when that one failed, and nothing else.
        QCoro::waitFor(m_store->retryLastFailure());
        m_store->toggleStar(song("s2"));
        const bool resent = accepts.at(2) == "no" && !held;
        QTRY_COMPARE(m_answers, resent ? 5 : 4);
        QCOMPARE(m_server->sentValues("/rest/star", "id").count("s1")
                + m_server->sentValues("/rest/unstar", "id").count("s1"),
            resent ? 4 : 3);
        QCOMPARE(m_store->isStarred(song("s1")), held);
        // The last press, a like, is what the server holds in the end.
        QVERIFY(held);
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
