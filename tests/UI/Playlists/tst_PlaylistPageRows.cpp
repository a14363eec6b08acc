#include <QQuickItem>
#include <QScopeGuard>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/UI/PlaylistPageSuite.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"
#include "Playlists/PlaylistDetailViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The playlist page's rows over a loopback server: the selection over
// reloads, the row menu, removals and drags on a slow server, a long list
// and what shows in place of the rows.
class TestPlaylistPageRows : public PlaylistPageSuite
{
    Q_OBJECT

private Q_SLOTS:
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

    // On a slow server, at a person's pace, with the pointer: rows removed
    // and dragged while the user's earlier removals are on their way, also
    // across the loads of the list those bring (a removal landing, the page
    // left and opened again), and a refused removal retried. Every row
    // removed leaves the server, the others land where the page showed
    // them, and nothing is left reported. The steps: "remove R" (or "remove
    // last S", the last row of song S) through the row menu; "drag F T" (T
    // "end": the last row); "wait MS"; "refuse": the next removal to arrive
    // is refused; "retry": the failure's Retry; "reopen L": the page left
    // and opened again, its first load showing L; "shows N L": the page's
    // first load after the store's N-th landed edit showed L.
    void removalsAroundADragAllLand_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("writes");
        const QStringList five {"A", "B", "C", "D", "E"};
        const QStringList twiceOfFour {"X", "A", "X", "B"};
        const QStringList twiceOfFive {"X", "B", "X", "D", "E"};
        const QStringList thrice {"X", "A", "X", "B", "X", "C"};
        QTest::newRow("the row now on B's place")
            << five << QStringList {"remove 1", "wait 300", "drag 4 0", "wait 300", "remove last A"}
            << QStringList {"E", "C", "D"} << 3;
        QTest::newRow("a row further down")
            << five << QStringList {"remove 1", "wait 300", "drag 4 0", "wait 300", "remove last C"}
            << QStringList {"E", "A", "D"} << 3;
        QTest::newRow("one copy dragged after the other's removal")
            << twiceOfFour << QStringList {"remove 2", "wait 100", "drag 0 3"} << QStringList {"A", "B", "X"}
            << 2;
        QTest::newRow("both copies removed around a drag")
            << twiceOfFive << QStringList {"remove 0", "wait 300", "drag 4 0", "wait 300", "remove last X"}
            << QStringList {"E", "B", "D"} << 3;
        QTest::newRow("a copy removed on the rows a landed removal loaded")
            << twiceOfFour
            << QStringList {"remove 1", "wait 700", "remove last X", "shows 1 X,B", "wait 700", "remove 0"}
            << QStringList {"B"} << 3;
        QTest::newRow("a copy dragged on the rows a landed removal loaded")
            << twiceOfFour
            << QStringList {"remove 1", "wait 700", "remove last X", "shows 1 X,B", "wait 700", "drag 0 end"}
            << QStringList {"B", "X"} << 3;
        QTest::newRow("a copy removed on the page opened again")
            << twiceOfFour << QStringList {"remove 2", "reopen X,A,B", "wait 700", "remove 0"}
            << QStringList {"A", "B"} << 2;
        QTest::newRow("three copies, the page opened again between the removals")
            << thrice
            << QStringList {"remove 2", "reopen X,A,B,X,C", "wait 700", "remove last X", "reopen X,A,B,C",
                   "wait 700", "remove 0"}
            << QStringList {"A", "B", "C"} << 3;
        QTest::newRow("a refused removal retried on the rows loaded since")
            << thrice
            << QStringList {"remove 1", "wait 700", "refuse", "remove 2", "shows 1 X,B,X,C", "wait 700",
                   "remove 0", "wait 700", "retry"}
            << QStringList {"B", "X", "C"} << 3;
    }

    void removalsAroundADragAllLand()
    {
        QFETCH(QStringList, start);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        QFETCH(int, writes);
        QVERIFY(openOnFake(start));
        m_fake->delayMs = 300;
        LibraryStore *library = m_harness->library();
        // Every load of every page, with the edits the store had landed by
        // then; and the loads looked for (any page: -1).
        const int revision = library->playlistRevision();
        struct Load
        {
            int page;
            int landed;
            QStringList shown;
        };
        QList<Load> loads;
        QList<Load> wanted;
        int page = 0;
        QList<QMetaObject::Connection> watching;
        const auto unwatch = qScopeGuard([&watching] {
            for (const QMetaObject::Connection &connection : std::as_const(watching))
                disconnect(connection);
        });
        const auto watchLoads = [&] {
            const auto note = [&, page] {
                loads.append({page, library->playlistRevision() - revision, shown()});
            };
            watching.append(connect(m_vm, &PlaylistDetailViewModel::detailChanged, m_vm, note));
            // A page opened again may show its cached copy as it is built.
            if (m_vm->loaded())
                note();
        };
        watchLoads();
        int removals = 0;
        for (const QString &step : std::as_const(steps)) {
            const QStringList words = step.split(u' ');
            const QString &verb = words.at(0);
            if (verb == u"remove"_s) {
                ++removals;
                removeWithMenu(
                    words.at(1) == u"last"_s ? int(shown().lastIndexOf(words.at(2))) : words.at(1).toInt());
            } else if (verb == u"drag"_s) {
                const int from = words.at(1).toInt();
                const int to = words.at(2) == u"end"_s ? int(shown().size()) - 1 : words.at(2).toInt();
                const QString dragged = shown().at(from);
                dragWithPointer(from, to);
                QCOMPARE(shown().at(to), dragged);
            } else if (verb == u"wait"_s) {
                QTest::qWait(words.at(1).toInt());
            } else if (verb == u"refuse"_s) {
                // Those asked for so far have arrived.
                QTRY_COMPARE(m_fake->writesReceived, removals);
                m_fake->failRemovals = 1;
                m_fake->refusal = TestHttpServer::failed(50, "Not allowed");
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"remove from the playlist failed"_s));
            } else if (verb == u"retry"_s) {
                QTRY_VERIFY(library->lastFailure() && library->lastFailure()->canRetry());
                library->retryLastFailure();
            } else if (verb == u"reopen"_s) {
                QVERIFY(reopen());
                ++page;
                watchLoads();
                wanted.append({page, 0, words.at(1).split(u',')});
            } else if (verb == u"shows"_s) {
                wanted.append({-1, words.at(1).toInt(), words.at(2).split(u',')});
            }
        }
        QTRY_VERIFY(!library->hasPendingPlaylistWrites());
        QCOMPARE(m_fake->lists.value(u"p1"_s), expected);
        // The removals and orders that reached the server.
        QCOMPARE(m_fake->writesReceived, writes);
        QVERIFY(!library->lastFailure());
        QTRY_COMPARE(shown(), expected);
        // Right after those loads, the page showed the server's list with
        // the user's edits still on their way laid over it.
        for (const Load &want : std::as_const(wanted)) {
            const auto load = std::find_if(loads.cbegin(), loads.cend(), [&want](const Load &load) {
                return (want.page < 0 || load.page == want.page) && load.landed >= want.landed;
            });
            QVERIFY(load != loads.cend());
            QCOMPARE(load->shown, want.shown);
        }
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
};

QTEST_MAIN(TestPlaylistPageRows)
#include "tst_PlaylistPageRows.moc"
