#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/RequestLog.h"
#include "Helpers/UI/PlaylistPageSuite.h"
#include "Library/LibraryStore.h"
#include "Playlists/PlaylistDetailViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The playlist page's view model over a loopback server: drag moves and their
// saves, and the edits that wait for the order.
class TestPlaylistDetailViewModel : public PlaylistPageSuite
{
    Q_OBJECT

private Q_SLOTS:
    // A dragged row lands at the hovered row's place; the drop saves the
    // order once, at once, however many rows were entered before.
    void dragMovesAndSavesOnce_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<QList<int>>("hovered");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("A over C") << 0 << QList<int> {2} << QStringList {"B", "C", "A", "D"};
        QTest::newRow("D over B") << 3 << QList<int> {1} << QStringList {"A", "D", "B", "C"};
        QTest::newRow("B over C") << 1 << QList<int> {2} << QStringList {"A", "C", "B", "D"};
        QTest::newRow("over itself") << 1 << QList<int> {1} << QStringList {"A", "B", "C", "D"};
        QTest::newRow("three rows") << 0 << QList<int> {1, 2, 3} << QStringList {"B", "C", "D", "A"};
        QTest::newRow("same song twice") << 3 << QList<int> {0} << QStringList {"A", "A", "B", "C"};
    }

    void dragMovesAndSavesOnce()
    {
        QFETCH(int, dragged);
        QFETCH(QList<int>, hovered);
        QFETCH(QStringList, order);
        const QStringList start = QString::fromLatin1(QTest::currentDataTag()) == u"same song twice"_s
            ? QStringList {"A", "B", "C", "A"}
            : QStringList {"A", "B", "C", "D"};
        QVERIFY(open(start));
        QTRY_COMPARE(shown(), start);
        m_harness->server().setResponse("/rest/createPlaylist", TestHttpServer::ok());
        m_vm->beginDrag(dragged);
        for (int row : hovered)
            m_vm->moveDraggedRow(row);
        QCOMPARE(shown(), order);
        m_vm->dropDragged();
        QTRY_COMPARE(writes(), QStringList {u"order "_s + order.join(u',')});
        QTest::qWait(250); // past the wait: no debounced save follows
        QCOMPARE(writes().size(), 1);
    }

    // Moves without a drop save once, after the wait; a later drag starting
    // on another row never moves the earlier drag's row.
    void releasedOutsideSavesAfterTheWait()
    {
        QVERIFY(open({"A", "B", "C", "D"}));
        QTRY_COMPARE(shown().size(), 4);
        m_harness->server().setResponse("/rest/createPlaylist", TestHttpServer::ok());
        m_vm->beginDrag(0);
        m_vm->moveDraggedRow(1);
        m_vm->moveDraggedRow(2);
        m_vm->endDrag();
        QCOMPARE(writes(), QStringList());
        QTRY_COMPARE(writes(), QStringList {u"order B,C,A,D"_s});
        m_vm->moveDraggedRow(0); // no drag: nothing moves
        QCOMPARE(shown(), (QStringList {"B", "C", "A", "D"}));
        QTest::qWait(250);
        QCOMPARE(writes().size(), 1);
    }

    // A reload while the moved order waits (a refresh, another edit's
    // revision) shows the server's list, but the order sent is the one the
    // user made, with the songs added meanwhile after it; the page then
    // shows the server's list again.
    void reloadWhileTheOrderWaits()
    {
        QVERIFY(open({"A", "B", "C", "D"}));
        QTRY_COMPARE(shown().size(), 4);
        m_vm->setSaveDelay(800);
        m_harness->server().setResponse("/rest/createPlaylist", TestHttpServer::ok());
        m_vm->beginDrag(0);
        m_vm->moveDraggedRow(2);
        m_vm->endDrag();
        m_harness->server().setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(playlistAnswer({"A", "B", "C", "D", "E"})));
        m_harness->library()->refresh();
        QTRY_COMPARE(shown(), (QStringList {"A", "B", "C", "D", "E"}));
        QCOMPARE(writes(), QStringList());
        // From the order's arrival on, the server holds it.
        connect(&m_harness->server(), &TestHttpServer::requestReceived, this,
            [this](const TestHttpServer::Request &request) {
                if (request.path() == "/rest/createPlaylist")
                    m_harness->server().setResponse(
                        "/rest/getPlaylist", TestHttpServer::ok(playlistAnswer({"B", "C", "A", "D", "E"})));
            });
        QTRY_COMPARE_WITH_TIMEOUT(writes(), QStringList {u"order B,C,A,D,E"_s}, 10'000);
        QTRY_COMPARE(shown(), (QStringList {"B", "C", "A", "D", "E"}));
    }

    // Edits right after a drag: the moved order goes first, and the removal
    // counts on it; a delete drops the waiting order.
    void editsSendTheWaitingOrderFirst_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("remove") << u"remove"_s << QStringList {"order C,A,B,D", "remove 0"};
        QTest::newRow("rename") << u"rename"_s << QStringList {"order C,A,B,D", "rename New"};
        QTest::newRow("delete") << u"delete"_s << QStringList {"delete"};
    }

    void editsSendTheWaitingOrderFirst()
    {
        QFETCH(QString, edit);
        QFETCH(QStringList, expected);
        QVERIFY(open({"A", "B", "C", "D"}));
        QTRY_COMPARE(shown().size(), 4);
        m_harness->server().clearResponses();
        FakePlaylistServer fake(m_harness->server());
        fake.lists["p1"] = QStringList {"A", "B", "C", "D"};
        fake.delayMs = 150;
        m_vm->beginDrag(2);
        m_vm->moveDraggedRow(0);
        m_vm->endDrag();
        if (edit == u"remove"_s)
            m_vm->removeRow(0);
        else if (edit == u"rename"_s)
            m_vm->rename(u"  New\t"_s);
        else
            m_vm->deletePlaylist();
        QTRY_COMPARE(writes(), expected);
        QTest::qWait(400);
        QCOMPARE(writes(), expected);
    }

    // Of two saves crossing, only the newest one's failure reloads the page.
    // (Each save reads the list right before it sends its order.)
    void onlyTheNewestFailureReloads_data()
    {
        QTest::addColumn<bool>("firstFails");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<int>("reloads");
        QTest::newRow("older fails") << true << QStringList {"read", "order", "read", "order"} << 0;
        QTest::newRow("newest fails") << false << QStringList {"read", "order", "read", "order", "read"} << 1;
    }

    void onlyTheNewestFailureReloads()
    {
        QFETCH(bool, firstFails);
        QFETCH(QStringList, requests);
        QFETCH(int, reloads);
        RequestLog log;
        // The page goes before the requests' manager.
        const auto pageFirst = qScopeGuard([this] {
            m_vm = nullptr;
            m_harness.reset();
        });
        QVERIFY(open({"A", "B", "C", "D"}, &log));
        QTRY_COMPARE(shown().size(), 4);
        int saves = 0;
        m_harness->server().setHandler([&saves, firstFails](const TestHttpServer::Request &request) {
            if (request.path() == "/rest/getPlaylist")
                return TestHttpServer::ok(playlistAnswer({"A", "B", "C", "D"}));
            if (request.path() != "/rest/createPlaylist")
                return TestHttpServer::Response {404};
            const bool fail = (saves++ == 0) == firstFails;
            TestHttpServer::Response answer = fail ? TestHttpServer::json("boom", 500) : TestHttpServer::ok();
            answer.delayMs = 100;
            return answer;
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"save the new order failed"_s));
        int ordersAnswered = 0;
        int answered = 0;
        connect(&log, &QNetworkAccessManager::finished, this, [&](QNetworkReply *reply) {
            ordersAnswered += reply->url().path() == u"/rest/createPlaylist"_s;
            answered += reply->url().path() == u"/rest/createPlaylist"_s
                || reply->url().path() == u"/rest/getPlaylist"_s;
        });
        log.paths.clear();
        QSignalSpy shownAgain(m_vm, &PlaylistDetailViewModel::detailChanged);
        m_vm->beginDrag(0);
        m_vm->moveDraggedRow(1);
        m_vm->dropDragged();
        m_vm->beginDrag(0);
        m_vm->moveDraggedRow(1);
        m_vm->dropDragged();
        // A reload asks for the playlist while the answer that calls for it
        // is taken in: once both are in, every read wanted has been asked for.
        QTRY_COMPARE(ordersAnswered, 2);
        QStringList sent;
        for (const QString &path : std::as_const(log.paths)) {
            if (path == u"/rest/createPlaylist"_s)
                sent.append(u"order"_s);
            else if (path == u"/rest/getPlaylist"_s)
                sent.append(u"read"_s);
        }
        QCOMPARE(sent, requests);
        // A reload the store answers from its copy sends nothing, but shows
        // what it got once every read is answered.
        QTRY_COMPARE(answered, sent.size());
        QCOMPARE(shownAgain.count(), reloads);
    }

    // The downloaded copy while the server is away: rows do not move and no
    // order is sent; the server's playlist comes back with the server.
    void localCopyTakesNoOrders()
    {
        QVERIFY(open({"A", "B", "C"}));
        QTRY_COMPARE(shown().size(), 3);
        TestHttpServer::Response file = TestHttpServer::ok();
        file.body = QByteArray(2048, 'x');
        file.contentType = "audio/mpeg";
        m_harness->server().setResponse("/rest/download", file);
        m_harness->downloads()->downloadPlaylist(u"p1"_s, u"Mix"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_harness->downloads()->localPlaylist(u"p1"_s).has_value(), 10'000);

        m_harness->server().setResponse("/rest/getPlaylist", TestHttpServer::dropped());
        m_harness->library()->refresh();
        QTRY_VERIFY(m_vm->isLocalOrder());
        QCOMPARE(m_vm->errorMessage(), QString());
        m_harness->server().clearRequests();
        const QStringList before = shown();
        m_vm->beginDrag(0);
        m_vm->moveDraggedRow(2);
        m_vm->dropDragged();
        QTest::qWait(250);
        QCOMPARE(shown(), before);
        QCOMPARE(writes(), QStringList());

        m_harness->server().setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(playlistAnswer({"C", "B", "A"})));
        m_harness->server().setResponse("/rest/ping", TestHttpServer::ok());
        QCoro::waitFor(m_harness->library()->retryConnection());
        QTRY_VERIFY(!m_vm->isLocalOrder());
        QCOMPARE(shown(), (QStringList {"C", "B", "A"}));
    }

    // Back on the playlist while its order save is on its way: the page
    // shows the order the user made, and a drag there builds on it; should
    // the save fail, the page shows the server's order again.
    void comingBackWhileTheOrderIsOnItsWay_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("saved") << false;
        QTest::newRow("refused") << true;
    }

    void comingBackWhileTheOrderIsOnItsWay()
    {
        QFETCH(bool, fails);
        QVERIFY(open({"A", "B", "C", "D"}));
        m_harness->server().clearResponses();
        FakePlaylistServer fake(m_harness->server());
        fake.lists["p1"] = QStringList {"A", "B", "C", "D"};
        fake.delayMs = 300;
        fake.failOrders = fails;
        if (fails)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"save the new order failed"_s));
        m_vm->beginDrag(3);
        m_vm->moveDraggedRow(0);
        m_vm->dropDragged();
        QTRY_COMPARE(fake.writesReceived, 1);
        QVERIFY(m_harness->library()->hasPendingPlaylistWrites());

        QVERIFY(reopen());
        QTRY_VERIFY(m_vm->loaded());
        QCOMPARE(shown(), (QStringList {"D", "A", "B", "C"}));
        if (fails) {
            QTRY_VERIFY(!m_harness->library()->hasPendingPlaylistWrites());
            QTRY_COMPARE(shown(), (QStringList {"A", "B", "C", "D"}));
            return;
        }
        m_vm->beginDrag(1);
        m_vm->moveDraggedRow(3);
        m_vm->dropDragged();
        QTRY_VERIFY(!m_harness->library()->hasPendingPlaylistWrites());
        QCOMPARE(fake.lists.value("p1"), (QStringList {"D", "B", "C", "A"}));
    }

    // At the end of the run a page's order still reaches the server: one in
    // its pause, one waiting behind another save, one whose list is read
    // first (the page came back from its cached copy).
    void endOfRunSendsTheOrderHeldBack_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("in its pause") << "";
        QTest::newRow("behind another save") << "save";
        QTest::newRow("list read first") << "reopen";
    }

    void endOfRunSendsTheOrderHeldBack()
    {
        QFETCH(QString, before);
        QVERIFY(open({"A", "B", "C", "D"}));
        m_harness->server().clearResponses();
        FakePlaylistServer fake(m_harness->server());
        fake.lists["p1"] = QStringList {"A", "B", "C", "D"};
        fake.delayMs = 200;
        m_vm->setSaveDelay(60'000);
        if (before == "save") {
            m_vm->beginDrag(0);
            m_vm->moveDraggedRow(1);
            m_vm->dropDragged();
        } else if (before == "reopen") {
            QVERIFY(reopen());
            QTRY_VERIFY(m_vm->loaded());
            m_vm->setSaveDelay(60'000);
        }
        m_vm->beginDrag(3);
        m_vm->moveDraggedRow(0);
        const QStringList order = shown();
        LibraryStore::settlePlaylistWrites({m_harness->library()}, 20'000);
        QVERIFY(!m_harness->library()->hasPendingPlaylistWrites());
        QCOMPARE(fake.lists.value("p1"), order);
    }

    void renameTrims_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("spaces and tabs") << u" \tNew \t"_s << QStringList {"rename New"};
        QTest::newRow("only spaces") << u"   "_s << QStringList {};
        QTest::newRow("line break kept") << u"New\n "_s << QStringList {"rename New\n"};
    }

    void renameTrims()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        QVERIFY(open({"A"}));
        QTRY_COMPARE(shown().size(), 1);
        m_harness->server().setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_vm->rename(typed);
        QTest::qWait(100);
        QTRY_COMPARE(writes(), expected);
    }
};

QTEST_MAIN(TestPlaylistDetailViewModel)
#include "tst_PlaylistDetailViewModel.moc"
