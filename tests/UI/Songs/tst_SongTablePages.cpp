#include <QGuiApplication>
#include <QPalette>
#include <QQuickItem>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "PageContext.h"
#include "Playback/PlayerController.h"
#include "Songs/SongTableViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// Songs "s1".."sN" titled "Song N" in reverse, so the title order differs
// from the server's.
QByteArray songsJson(int count)
{
    QByteArray list;
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            list += ',';
        list += QStringLiteral(
            R"({"id":"s%1","title":"Song %2","artist":"Artist %3","album":"Album","duration":%4})")
                    .arg(i)
                    .arg(count + 1 - i)
                    .arg(i % 3)
                    .arg(60 + i)
                    .toUtf8();
    }
    return list;
}

SongTableViewModel *viewModelOf(QQuickItem *page)
{
    return page ? page->property("viewModel").value<SongTableViewModel *>() : nullptr;
}

} // namespace

// Both song pages over the loopback server: what the menu acts on, where
// playback starts, unliking with its rollback, the overlay, and the real
// window under mouse and keyboard.
class TestSongTablePages : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;

    static bool start(PageHarness &harness, int songCount, int likedCount = 0)
    {
        harness.server().setResponse("/rest/search3",
            TestHttpServer::ok("\"searchResult3\":{\"song\":[" + songsJson(songCount) + "]}"));
        if (likedCount > 0)
            harness.server().setResponse("/rest/getStarred2",
                TestHttpServer::ok("\"starred2\":{\"song\":[" + songsJson(likedCount) + "]}"));
        return harness.start(QSize(760, 420));
    }

    static QQuickItem *openPage(PageHarness &harness, SidebarItem item)
    {
        QQuickItem *page = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(item)));
        LibraryStore *library = harness.library();
        const bool liked = page && viewModelOf(page)->liked();
        const bool loaded = QTest::qWaitFor(
            [library, liked] { return liked ? library->starredLoaded() : library->songsLoaded(); },
            LIRNA_TRY_TIMEOUT_MS);
        return loaded ? page : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { m_warnings.install(); }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    // The rows a right click acts on, and whether the one-song like item is there.
    void menuSet_data()
    {
        QTest::addColumn<QList<int>>("selectedRows");
        QTest::addColumn<int>("clickedRow");
        QTest::addColumn<QList<int>>("menuRows");
        QTest::addColumn<bool>("hasLike");
        QTest::newRow("inside the selection") << QList<int> {3, 1} << 3 << QList<int> {1, 3} << false;
        QTest::newRow("outside the selection") << QList<int> {3, 1} << 0 << QList<int> {0} << true;
        QTest::newRow("one selected row") << QList<int> {2} << 2 << QList<int> {2} << true;
        QTest::newRow("beside the rows") << QList<int> {2} << -1 << QList<int> {} << false;
    }

    void menuSet()
    {
        QFETCH(QList<int>, selectedRows);
        QFETCH(int, clickedRow);
        QFETCH(QList<int>, menuRows);
        QFETCH(bool, hasLike);
        PageHarness harness;
        QVERIFY(start(harness, 5));
        SongTableViewModel *vm = viewModelOf(openPage(harness, SidebarItem::Songs));
        QVERIFY(vm);
        QTRY_COMPARE(vm->model()->rowCount(), 5);
        for (int row : selectedRows)
            vm->rowClicked(row, Qt::ControlModifier);
        vm->prepareMenu(clickedRow);
        QStringList expected;
        for (int row : menuRows)
            expected.append(vm->model()->songAt(row)->id);
        QCOMPARE(idsOf(vm->menuSongs()), expected);
        QCOMPARE(vm->menuHasLike(), hasLike);
        QCOMPARE(vm->menuLikeText(), hasLike ? u"Like"_s : QString());

        // "Play Next" hands over the menu's songs in display order.
        vm->menuPlayNext();
        QCOMPARE(idsOf(harness.player()->queue()), expected);
    }

    // A double click starts at its row; Return and the menu's "Play" at the
    // topmost selected row, whatever order the rows were selected in. The
    // queue is the displayed list, without shuffle or source.
    void playStart_data()
    {
        QTest::addColumn<QList<int>>("selectedRows");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("startRow");
        QTest::newRow("double click") << QList<int> {4, 1} << u"double"_s << 4;
        QTest::newRow("return") << QList<int> {4, 1, 2} << u"return"_s << 1;
        QTest::newRow("menu play") << QList<int> {4, 2} << u"menu"_s << 2;
        QTest::newRow("nothing selected") << QList<int> {} << u"return"_s << -1;
        QTest::newRow("menu beside the rows") << QList<int> {3} << u"menuBeside"_s << -1;
    }

    void playStart()
    {
        QFETCH(QList<int>, selectedRows);
        QFETCH(QString, action);
        QFETCH(int, startRow);
        PageHarness harness;
        QVERIFY(start(harness, 6));
        SongTableViewModel *vm = viewModelOf(openPage(harness, SidebarItem::Songs));
        QTRY_COMPARE(vm->model()->rowCount(), 6);
        vm->headerClicked(int(SongColumn::Time)); // a sort other than the store's and the default
        vm->headerClicked(int(SongColumn::Time));
        for (int row : selectedRows)
            vm->rowClicked(row, Qt::ControlModifier);
        if (action == u"double"_s) {
            vm->activate(selectedRows.first());
        } else if (action == u"return"_s) {
            vm->playSelection();
        } else {
            vm->prepareMenu(action == u"menu"_s ? selectedRows.first() : -1);
            vm->menuPlay();
        }
        PlayerController *player = harness.player();
        if (startRow < 0) {
            QVERIFY(player->queue().isEmpty());
            return;
        }
        QCOMPARE(idsOf(player->queue()), idsOf(vm->model()->displayedSongs()));
        QCOMPARE(player->currentIndexOrNone(), startRow);
        QVERIFY(!player->isShuffling());
        QVERIFY(!player->source());
    }

    // "Unlike" drops the rows at once; a rejected change brings its song back.
    void unlikeAndRollback()
    {
        PageHarness harness;
        QVERIFY(start(harness, 4, 4));
        harness.server().setResponse("/rest/unstar", TestHttpServer::failed(50, "Not allowed"));
        SongTableViewModel *vm = viewModelOf(openPage(harness, SidebarItem::LikedSongs));
        QTRY_COMPARE(vm->model()->rowCount(), 4);
        // Unsorted: the store's order.
        QCOMPARE(idsOf(vm->model()->displayedSongs()), (QStringList {u"s1"_s, u"s2"_s, u"s3"_s, u"s4"_s}));
        vm->rowClicked(1, 0);
        vm->rowClicked(3, Qt::ControlModifier);
        vm->prepareMenu(3);
        QVERIFY(!vm->menuHasLike());
        vm->menuUnlike();
        QCOMPARE(idsOf(vm->model()->displayedSongs()), (QStringList {u"s1"_s, u"s3"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(vm->model()->rowCount(), 4, 20000);
        const QStringList front = idsOf(vm->model()->displayedSongs()).mid(0, 2);
        QCOMPARE(QSet<QString>(front.begin(), front.end()), (QSet<QString> {u"s2"_s, u"s4"_s}));
    }

    void overlay_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("overlay");
        QTest::addColumn<QString>("title");
        const QByteArray failure; // answered with a server error
        QTest::newRow("no songs") << 0 << QByteArray("\"searchResult3\":{}") << int(SongTableViewModel::Empty)
                                  << u"No Songs"_s;
        QTest::newRow("songs failed")
            << 0 << failure << int(SongTableViewModel::Failed) << u"Couldn’t Load Songs"_s;
        QTest::newRow("no likes") << 1 << QByteArray("\"starred2\":{}") << int(SongTableViewModel::Empty)
                                  << u"No Liked Songs"_s;
        QTest::newRow("likes failed")
            << 1 << failure << int(SongTableViewModel::Failed) << u"Couldn’t Load Liked Songs"_s;
    }

    void overlay()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, answer);
        QFETCH(int, overlay);
        QFETCH(QString, title);
        PageHarness harness;
        const auto response
            = answer.isEmpty() ? TestHttpServer::failed(0, "Disk on fire") : TestHttpServer::ok(answer);
        harness.server().setResponse(kind == 0 ? "/rest/search3" : "/rest/getStarred2", response);
        QVERIFY(harness.start(QSize(760, 420)));
        QQuickItem *page = openPage(harness, kind == 0 ? SidebarItem::Songs : SidebarItem::LikedSongs);
        SongTableViewModel *vm = viewModelOf(page);
        QTRY_COMPARE(int(vm->overlay()), overlay);
        QCOMPARE(vm->overlayTitle(), title);
        if (overlay == SongTableViewModel::Failed)
            QVERIFY(vm->overlayText().contains(u"Disk on fire"_s));
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"songTableOverlayTitle"_s));
        UiTest::saveScreenshot(harness.window(),
            u"songs-overlay-%1.png"_s.arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));
    }

    // Nothing listed and the server out of reach: its notice replaces the table.
    void unreachableServerNotice_data()
    {
        QTest::addColumn<int>("item");
        QTest::newRow("songs") << int(SidebarItem::Songs);
        QTest::newRow("liked songs") << int(SidebarItem::LikedSongs);
    }

    void unreachableServerNotice()
    {
        QFETCH(int, item);
        PageHarness harness;
        // Out of reach for every request: a playlists answer landing after
        // the songs' failure would report the server reachable again.
        TestHttpServer::Response drop = TestHttpServer::dropped();
        harness.server().setDefaultResponse(drop);
        harness.server().setResponse("/rest/search3", drop);
        harness.server().setResponse("/rest/getStarred2", drop);
        harness.server().setResponse("/rest/getPlaylists", drop);
        QVERIFY(harness.start(QSize(760, 420)));
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem(item))));
        QVERIFY(page);
        QQuickItem *fallback = UiTest::findItem(page, u"ServerUnavailableFallback"_s);
        QVERIFY(fallback);
        QTRY_VERIFY(fallback->property("showsNotice").toBool());
        QVERIFY(!UiTest::findVisibleItem(harness.window(), u"songTableView"_s));
    }

    // The window under the mouse: a header click sorts, Ctrl and Shift
    // clicks select, a double click plays from its row, the right click
    // opens the menu; light and dark screenshots.
    void windowUnderTheMouse_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void windowUnderTheMouse()
    {
        QFETCH(bool, dark);
        const QPalette before = QGuiApplication::palette();
        if (dark)
            QGuiApplication::setPalette(UiTest::darkPalette());
        PageHarness harness;
        QVERIFY(start(harness, 12));
        QQuickItem *page = openPage(harness, SidebarItem::Songs);
        SongTableViewModel *vm = viewModelOf(page);
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"songCell_0_0"_s));
        QCOMPARE(vm->model()->songAt(0)->title, u"Song 1"_s); // by value: 1, 2 … 10, not 1, 10, 11
        QCOMPARE(vm->model()->songAt(1)->title, u"Song 2"_s);

        LIRNA_CLICK(UiTest::findVisibleItem(harness.window(), u"songHeader3"_s));
        QCOMPARE(vm->model()->sortColumn(), 3);
        QTRY_COMPARE(
            UiTest::findVisibleItem(harness.window(), u"songCell_0_3"_s)->property("display").toString(),
            vm->model()->index(0, 3).data().toString());
        QCOMPARE(vm->model()->songAt(0)->id, u"s1"_s); // shortest first

        QQuickWindow *window = harness.window();
        auto cell = [window](int row, int column) {
            return UiTest::findVisibleItem(window, u"songCell_%1_%2"_s.arg(row).arg(column));
        };
        LIRNA_CLICK(cell(1, 0));
        QTest::mouseClick(window, Qt::LeftButton, Qt::ShiftModifier, UiTest::centreOf(cell(3, 1)));
        QTest::mouseClick(window, Qt::LeftButton, Qt::ControlModifier, UiTest::centreOf(cell(5, 2)));
        QCOMPARE(vm->model()->selectionCount(), 4);
        QTRY_VERIFY(cell(2, 0)->property("rowSelected").toBool());
        harness.player()->play(vm->model()->displayedSongs(), SubsonicClient(), 2, std::nullopt);
        QTRY_COMPARE(cell(2, 0)->property("marker").toString(), u"speaker.wave.2.fill"_s);
        UiTest::saveScreenshot(window, dark ? u"songs-dark.png"_s : u"songs-light.png"_s);

        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(harness.player()->currentIndexOrNone(), 1);
        QTest::mouseDClick(window, Qt::LeftButton, {}, UiTest::centreOf(cell(4, 1)));
        QCOMPARE(harness.player()->currentIndexOrNone(), 4);
        QCOMPARE(idsOf(harness.player()->queue()), idsOf(vm->model()->displayedSongs()));

        // The arrows move on from the clicked row; Shift extends.
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(vm->model()->selection(),
            (QSet<QString> {vm->model()->songAt(5)->id, vm->model()->songAt(6)->id}));
        QTRY_VERIFY(cell(6, 0)->property("rowSelected").toBool());

        LIRNA_RIGHT_CLICK(cell(8, 0));
        QTRY_VERIFY(UiTest::findVisibleItem(window, u"menuPlay"_s));
        QVERIFY(UiTest::findVisibleItem(window, u"menuLike"_s));
        // "Add to Playlist" opens its submenu, here with no playlists.
        QObject *menu = page->findChild<QObject *>(u"songMenu"_s);
        QCOMPARE(UiTest::menuTexts(menu).last(), u"Add to Playlist"_s);
        LIRNA_CLICK(UiTest::menuItem(menu, u"Add to Playlist"_s));
        QObject *submenu = page->findChild<QObject *>(u"menuAddToPlaylist"_s);
        QTRY_VERIFY(submenu->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(submenu), QStringList {u"No Playlists"_s});
        QVERIFY(!UiTest::menuItem(submenu, u"No Playlists"_s)->isEnabled());
        UiTest::saveScreenshot(window, dark ? u"songs-menu-dark.png"_s : u"songs-menu-light.png"_s);
        QGuiApplication::setPalette(before);
    }
};

QTEST_MAIN(TestSongTablePages)
#include "tst_SongTablePages.moc"
