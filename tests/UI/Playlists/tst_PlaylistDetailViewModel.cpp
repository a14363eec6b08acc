#include <QAbstractItemModelTester>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQuickItem>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/FakePlaylistServer.h"
#include "Helpers/RequestLog.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"
#include "Playlists/PlaylistDetailViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;
using namespace LibraryFixtures;

namespace {

QByteArray playlistAnswer(const QStringList &ids, const QString &name = u"Mix"_s)
{
    QList<QByteArray> songs;
    for (const QString &id : ids)
        songs.append(songJson(id));
    return R"("playlist":{"id":"p1","name":")" + name.toUtf8() + R"(","entry":)" + joined(songs) + '}';
}

} // namespace

// The playlist page's view model over a loopback server: drag moves and their
// saves, edits that wait for the order, the selection over reloads.
class TestPlaylistDetailViewModel : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;
    std::unique_ptr<PageHarness> m_harness;
    std::unique_ptr<FakePlaylistServer> m_fake;
    QQuickItem *m_page = nullptr;
    PlaylistDetailViewModel *m_vm = nullptr;

    // The page of playlist "p1" holding `ids`, loaded.
    bool open(const QStringList &ids, QNetworkAccessManager *manager = nullptr)
    {
        m_harness = std::make_unique<PageHarness>();
        if (manager)
            m_harness->useNetworkAccessManager(manager);
        m_harness->server().setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistAnswer(ids)));
        if (!m_harness->start())
            return false;
        QQuickItem *page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
        m_vm = page ? page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
        if (!m_vm)
            return false;
        new QAbstractItemModelTester(
            m_vm->tracks(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_vm);
        m_vm->setSaveDelay(120);
        if (!QTest::qWaitFor([this] { return m_vm->loaded(); }, LIRNA_TRY_TIMEOUT_MS))
            return false;
        m_harness->server().clearRequests();
        return true;
    }

    // The page of "p1" over a server that keeps the list and applies the
    // writes as a Subsonic server does.
    bool openOnFake(const QStringList &ids)
    {
        m_harness = std::make_unique<PageHarness>();
        if (!m_harness->start())
            return false;
        m_fake = std::make_unique<FakePlaylistServer>(m_harness->server());
        m_fake->lists[u"p1"_s] = ids;
        m_page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
        m_vm = m_page ? m_page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
        if (!m_vm || !QTest::qWaitFor([this] { return m_vm->loaded(); }, LIRNA_TRY_TIMEOUT_MS))
            return false;
        m_harness->window()->requestActivate();
        return QTest::qWaitFor([this, &ids] { return rowItem(int(ids.size()) - 1) != nullptr; });
    }

    // The row's delegate, once it is laid out where the list has that row.
    QQuickItem *rowItem(int row) const
    {
        QQuickItem *list = UiTest::findItem(m_harness->window(), u"playlistRows"_s);
        QQuickItem *item = UiTest::itemAtIndex(list, row);
        if (!item || !item->isVisible())
            return nullptr;
        int there = -1;
        const QPointF centre = item->mapToItem(list->property("contentItem").value<QQuickItem *>(),
            QPointF(item->width() / 2, item->height() / 2));
        QMetaObject::invokeMethod(
            list, "indexAt", Q_RETURN_ARG(int, there), Q_ARG(qreal, centre.x()), Q_ARG(qreal, centre.y()));
        return there == row && item->property("index").toInt() == row ? item : nullptr;
    }

    QObject *rowMenu() const { return m_page->findChild<QObject *>(u"rowMenu"_s); }

    // Removes the row through its menu, with the pointer.
    void removeWithMenu(int row)
    {
        QObject *menu = rowMenu();
        QVERIFY(menu);
        QTRY_VERIFY(rowItem(row));
        LIRNA_RIGHT_CLICK(rowItem(row));
        QTRY_VERIFY(menu->property("opened").toBool());
        LIRNA_CLICK(UiTest::menuItem(menu, u"Remove from Playlist"_s));
        QTRY_VERIFY(!menu->property("visible").toBool());
    }

    // Presses on row `from`, moves the pointer over row `to` in small steps
    // and lets go there.
    void dragWithPointer(int from, int to)
    {
        QTRY_VERIFY(rowItem(from) && rowItem(to));
        QQuickWindow *window = m_harness->window();
        const QPoint start = rowItem(from)->mapToScene(QPointF(80, rowItem(from)->height() / 2)).toPoint();
        const QPoint end = rowItem(to)->mapToScene(QPointF(80, rowItem(to)->height() / 2)).toPoint();
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        for (int i = 1; i <= 12; ++i)
            QTest::mouseMove(window, start + (end - start) * i / 12, 10);
        QTest::mouseRelease(window, Qt::LeftButton, {}, end, 10);
    }

    bool renamedTo(const QString &name) const
    {
        for (const auto &request : m_harness->server().requests()) {
            if (request.path() == "/rest/updatePlaylist" && request.queryValue(u"name"_s) == name)
                return true;
        }
        return false;
    }

    QStringList shown() const { return m_vm->tracks()->songIds(); }

    // Leaves the page and comes back to it: a new page of "p1".
    bool reopen()
    {
        QQuickItem *page = m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s)));
        m_vm = page ? page->property("viewModel").value<PlaylistDetailViewModel *>() : nullptr;
        return m_vm;
    }

    // The requests of the playlist's writes, in order, as "order a,b" / "remove i" / "rename n".
    QStringList writes() const
    {
        QStringList out;
        for (const auto &request : m_harness->server().requests()) {
            QStringList values;
            for (const auto &[key, value] : request.queryItems()) {
                if (key == u"songId"_s)
                    values.append(value);
            }
            if (request.path() == "/rest/createPlaylist")
                out.append(u"order "_s + values.join(u','));
            else if (request.path() == "/rest/updatePlaylist" && !request.queryValue(u"name"_s).isEmpty())
                out.append(u"rename "_s + request.queryValue(u"name"_s));
            else if (request.path() == "/rest/updatePlaylist")
                out.append(u"remove "_s + request.queryValue(u"songIndexToRemove"_s));
            else if (request.path() == "/rest/deletePlaylist")
                out.append(u"delete"_s);
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase() { m_warnings.install(); }
    void cleanup()
    {
        m_vm = nullptr;
        m_page = nullptr;
        m_harness.reset();
        m_fake.reset();
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

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

    // On a slow server, before the page loads the list again, with the
    // pointer: a row removed, a row dragged a moment later, then perhaps the
    // last row of a song removed (the row the drag moved onto the first
    // one's place, one further down, the other copy of a song listed twice).
    // Every row removed leaves the server, the others land where the page
    // showed them, and nothing is reported.
    void removalsAroundADragAllLand_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("pause");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QStringList>("expected");
        const QStringList five {"A", "B", "C", "D", "E"};
        const QStringList twiceOfFour {"X", "A", "X", "B"};
        const QStringList twiceOfFive {"X", "B", "X", "D", "E"};
        QTest::newRow("the row now on B's place")
            << five << 1 << 300 << 4 << 0 << u"A"_s << QStringList {"E", "C", "D"};
        QTest::newRow("a row further down")
            << five << 1 << 300 << 4 << 0 << u"C"_s << QStringList {"E", "A", "D"};
        QTest::newRow("one copy dragged after the other's removal")
            << twiceOfFour << 2 << 100 << 0 << 3 << QString() << QStringList {"A", "B", "X"};
        QTest::newRow("both copies removed around a drag")
            << twiceOfFive << 0 << 300 << 4 << 0 << u"X"_s << QStringList {"E", "B", "D"};
    }

    void removalsAroundADragAllLand()
    {
        QFETCH(QStringList, start);
        QFETCH(int, first);
        QFETCH(int, pause);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, then);
        QFETCH(QStringList, expected);
        QVERIFY(openOnFake(start));
        m_fake->delayMs = 300;
        removeWithMenu(first);
        QTest::qWait(pause);
        dragWithPointer(from, to);
        QCOMPARE(shown().at(to), start.at(from));
        if (!then.isEmpty()) {
            QTest::qWait(300);
            removeWithMenu(int(shown().lastIndexOf(then)));
        }
        QTRY_VERIFY(!m_harness->library()->hasPendingPlaylistWrites());
        QCOMPARE(m_fake->lists.value(u"p1"_s), expected);
        // The removals and the order.
        QCOMPARE(m_fake->writesReceived, then.isEmpty() ? 2 : 3);
        QVERIFY(!m_harness->library()->lastFailure());
        QTRY_COMPARE(shown(), expected);
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

    // A reload keeps the selected row where the song still is.
    void selectionKeptAcrossAReload_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("expected");
        QTest::newRow("same songs") << 2 << QStringList {"A", "B", "C", "D"} << 2;
        QTest::newRow("song moved up") << 2 << QStringList {"C", "A", "B", "D"} << 0;
        QTest::newRow("removed third") << 2 << QStringList {"A", "B", "D", "E"} << 2;
        QTest::newRow("removed last") << 3 << QStringList {"A", "B", "C"} << 2;
        QTest::newRow("emptied") << 0 << QStringList {} << -1;
    }

    void selectionKeptAcrossAReload()
    {
        QFETCH(int, selected);
        QFETCH(QStringList, after);
        QFETCH(int, expected);
        QVERIFY(open({"A", "B", "C", "D"}));
        QTRY_COMPARE(shown().size(), 4);
        m_vm->selectRow(selected);
        QCOMPARE(m_vm->selectedRow(), selected);
        m_harness->server().setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistAnswer(after)));
        m_harness->server().setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        // A removal raises the revision, which reloads the page.
        m_vm->removeRow(selected);
        QTRY_COMPARE(shown(), after);
        QCOMPARE(m_vm->selectedRow(), expected);
    }

    // A row menu acts on the row it was opened on, wherever the load that
    // landed while it was open put that row, and on nothing once the row is
    // gone. Before the menu opens: a removal through the menu, a failed
    // order save, or a change made elsewhere; the page's load waits until
    // the menu is open (or, for "early", until its item was chosen).
    void rowMenuActsOnItsRow_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("early");
        QTest::addColumn<QStringList>("landed");
        QTest::addColumn<QStringList>("server");
        const QStringList five {"A", "B", "C", "D", "E"};
        const QStringList aba {"a", "b", "a"};
        const QString remove = u"Remove from Playlist"_s;
        QTest::newRow("remove, after a removal")
            << five << u"remove 2"_s << 3 << remove << false << QStringList {"A", "B", "D", "E"}
            << QStringList {"A", "B", "E"};
        QTest::newRow("play next, after a removal")
            << five << u"remove 2"_s << 3 << u"Play Next"_s << false << QStringList {"A", "B", "D", "E"}
            << QStringList {"A", "B", "D", "E"};
        QTest::newRow("both copies of a song")
            << aba << u"remove 0"_s << 2 << remove << false << QStringList {"b", "a"} << QStringList {"b"};
        QTest::newRow("both copies, before the load")
            << aba << u"remove 0"_s << 2 << remove << true << QStringList {"b"} << QStringList {"b"};
        QTest::newRow("remove, after a failed order save")
            << QStringList {"A", "B", "C", "D"} << u"drag 3 0"_s << 0 << remove << false
            << QStringList {"A", "B", "C", "D"} << QStringList {"A", "B", "C"};
        QTest::newRow("row gone elsewhere")
            << five << u"elsewhere A,B,C,E"_s << 3 << remove << false << QStringList {"A", "B", "C", "E"}
            << QStringList {"A", "B", "C", "E"};
    }

    void rowMenuActsOnItsRow()
    {
        QFETCH(QStringList, start);
        QFETCH(QString, before);
        QFETCH(int, opened);
        QFETCH(QString, choice);
        QFETCH(bool, early);
        QFETCH(QStringList, landed);
        QFETCH(QStringList, server);
        QVERIFY(openOnFake(start));
        QObject *menu = rowMenu();
        QVERIFY(menu);
        const QStringList words = before.split(u' ');
        if (words.at(0) == u"remove"_s) {
            m_fake->holdReads = true;
            removeWithMenu(words.at(1).toInt());
            QTRY_COMPARE(m_fake->lists.value(u"p1"_s).size(), start.size() - 1);
        } else if (words.at(0) == u"drag"_s) {
            // Let go outside the rows: the order is saved after the wait,
            // with the menu open, and its failure loads the list again.
            m_fake->failOrders = true;
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"save the new order failed"_s));
            m_vm->beginDrag(words.at(1).toInt());
            m_vm->moveDraggedRow(words.at(2).toInt());
            m_vm->endDrag();
        } else {
            m_fake->lists[u"p1"_s] = words.at(1).split(u',');
        }
        const Song chosen = m_vm->tracks()->recordAt(opened)->song;
        QTRY_VERIFY(rowItem(opened));
        LIRNA_RIGHT_CLICK(rowItem(opened));
        QTRY_VERIFY(menu->property("opened").toBool());
        if (early)
            LIRNA_CLICK(UiTest::menuItem(menu, choice));
        // The load lands.
        if (words.at(0) != u"drag"_s) {
            m_fake->holdReads = false;
            m_harness->library()->refresh();
        }
        QTRY_COMPARE(shown(), landed);
        if (!early) {
            QVERIFY(menu->property("opened").toBool());
            LIRNA_CLICK(UiTest::menuItem(menu, choice));
        }
        // The playlist's writes take turns: once a rename asked for now has
        // arrived, whatever the choice sent has been answered.
        m_vm->rename(u"Mix"_s);
        QTRY_VERIFY(renamedTo(u"Mix"_s));
        QCOMPARE(m_fake->lists.value(u"p1"_s), server);
        QTRY_COMPARE(shown(), server);
        // Each row shows its place, also a row a removal moved up.
        for (int row = 0; row < server.size(); ++row) {
            QTRY_VERIFY(rowItem(row));
            QCOMPARE(rowItem(row)->property("number").toInt(), row + 1);
        }
        if (choice == u"Play Next"_s)
            QCOMPARE(m_harness->player()->queue(), QList<Song> {chosen});
        const std::optional<StoreFailure> &failure = m_harness->library()->lastFailure();
        QVERIFY(!failure || failure->action() == u"save the new order"_s);
    }

    // A long list builds only the rows in sight; the keys, a drag held at
    // the bottom edge and the wheel during the drag reach the rows beyond.
    void longListKeysAndEdgeScrolling()
    {
        QStringList ids;
        for (int i = 0; i < 300; ++i)
            ids.append(u"s%1"_s.arg(i));
        QVERIFY(open(ids));
        QQuickWindow *window = m_harness->window();
        auto *list = UiTest::findItem(window, u"playlistRows"_s);
        QTRY_COMPARE(list->property("count").toInt(), 300);
        const auto built = [list] {
            QList<QQuickItem *> rows;
            for (QQuickItem *child : list->property("contentItem").value<QQuickItem *>()->childItems()) {
                if (child->property("rowIndex").isValid() && child->isVisible())
                    rows.append(child);
            }
            return rows;
        };
        QTRY_VERIFY(!built().isEmpty());
        QVERIFY(built().size() < 40);
        window->requestActivate();
        const auto rowItem = [list](int row) {
            QQuickItem *item = nullptr;
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, row));
            return item;
        };
        const auto shownInList = [list, rowItem](int row) {
            QQuickItem *item = rowItem(row);
            if (!item)
                return false;
            const qreal top = item->mapToItem(list, QPointF(0, 0)).y();
            return top >= 0 && top + item->height() <= list->height();
        };

        // The first row dragged down and held at the bottom edge: the list
        // scrolls and the row travels into rows that were not built.
        m_harness->server().setResponse("/rest/createPlaylist", TestHttpServer::ok());
        QQuickItem *first = nullptr;
        QTRY_VERIFY((first = [&]() -> QQuickItem * {
            for (QQuickItem *row : built())
                if (row->property("rowIndex").toInt() == 0)
                    return row;
            return nullptr;
        }()));
        const QPoint start = first->mapToScene(QPointF(80, first->height() / 2)).toPoint();
        const QPoint edge = list->mapToScene(QPointF(80, list->height() - 12)).toPoint();
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        for (int i = 1; i <= 10; ++i)
            QTest::mouseMove(window, start + (edge - start) * i / 10, 10);
        QTRY_VERIFY_WITH_TIMEOUT(m_vm->songIds().indexOf(u"s0"_s) > 90, 10'000);
        QVERIFY(rowItem(int(m_vm->songIds().indexOf(u"s0"_s))));

        // Away from the edge, the wheel still scrolls the list under the drag.
        const QPoint middle = list->mapToScene(QPointF(80, list->height() / 2)).toPoint();
        QTest::mouseMove(window, middle, 10);
        const qreal held = list->property("contentY").toReal();
        QWheelEvent wheel(middle, window->mapToGlobal(middle), {}, QPoint(0, -240), Qt::LeftButton, {},
            Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(window, &wheel);
        QTRY_VERIFY(list->property("contentY").toReal() > held + 20);
        QVERIFY(UiTest::findVisibleItem(window, u"dragPreview"_s));
        QVERIFY(UiTest::saveScreenshot(window, u"playlist-dragging.png"_s));
        QTest::mouseRelease(window, Qt::LeftButton, {}, middle, 10);
        const int landed = int(m_vm->songIds().indexOf(u"s0"_s));
        QVERIFY(landed > 60);
        // The drop saves the order with the row where it was let go.
        QTRY_COMPARE(
            writes().value(writes().size() - 1).split(u' ').last().split(u',').indexOf(u"s0"_s), landed);
        QVERIFY(UiTest::saveScreenshot(window, u"playlist-long-dropped.png"_s));

        // Up with nothing selected goes to the last row, built for it.
        QTRY_VERIFY(list->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_Up);
        QCOMPARE(m_vm->selectedRow(), 299);
        QTRY_VERIFY(shownInList(299));
    }

    // No rows to show: the empty playlist and the failed load show their
    // symbol, title and text in place of the rows.
    void statesInPlaceOfTheRows_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << false << u"playlistEmpty"_s
                               << u"Add songs from anywhere with “Add to Playlist”."_s;
        QTest::newRow("failed") << true << u"playlistError"_s << u"Playlist not found"_s;
    }

    void statesInPlaceOfTheRows()
    {
        QFETCH(bool, fails);
        QFETCH(QString, state);
        QFETCH(QString, text);
        m_harness = std::make_unique<PageHarness>();
        m_harness->server().setResponse("/rest/getPlaylist",
            fails ? TestHttpServer::failed(70, "Playlist not found")
                  : TestHttpServer::ok(playlistAnswer({})));
        QVERIFY(m_harness->start());
        QVERIFY(m_harness->loadPage(PageRoute::forSelection(SidebarSelection::playlist(u"p1"_s))));
        QQuickItem *shown = nullptr;
        QTRY_VERIFY((shown = UiTest::findVisibleItem(m_harness->window(), state)));
        QCOMPARE(UiTest::findItem(shown, u"stateMessage"_s)->property("text").toString(), text);
        QVERIFY(UiTest::saveScreenshot(m_harness->window(), u"playlist-"_s + state + u".png"_s));
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
