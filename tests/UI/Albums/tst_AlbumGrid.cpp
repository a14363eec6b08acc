#include <QAbstractItemModelTester>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPalette>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <memory>
#include <utility>

#include "Albums/AlbumGridLayout.h"
#include "Albums/AlbumGridViewModel.h"
#include "Albums/LikedAlbumsViewModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/ArtworkClient.h"
#include "Components/DownloadMenuModel.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "SidebarSelection.h"
#include "UI/Components/DragPayload.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

QByteArray albumJson(int n)
{
    return QStringLiteral(R"({"id":"al-%1","name":"Album %1","artist":"Artist %2","artistId":"ar-%2",)"
                          R"("coverArt":"al-%1","songCount":10})")
        .arg(n)
        .arg(n / 3)
        .toUtf8();
}

// Serves a library of `total` albums in the order asked, page by page, and
// a small cover for every id. The page at `failOnceAt` fails the first time.
void serveLibrary(TestHttpServer &server, int total, int failOnceAt = -1)
{
    auto failed = std::make_shared<bool>(false);
    server.setHandler([total, failOnceAt, failed](const TestHttpServer::Request &request) {
        if (request.path() == "/rest/getAlbumList2") {
            const int offset = request.queryValue(u"offset"_s).toInt();
            if (offset == failOnceAt && !std::exchange(*failed, true))
                return TestHttpServer::failed(0, "The disk is on fire");
            const int size = request.queryValue(u"size"_s).toInt();
            QByteArrayList albums;
            for (int n = offset; n < std::min(total, offset + size); ++n)
                albums << albumJson(n);
            return TestHttpServer::ok("\"albumList2\":{\"album\":[" + albums.join(',') + "]}");
        }
        if (request.path() == "/rest/getCoverArt") {
            QImage image(64, 64, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(qHash(request.queryValue(u"id"_s)) % 360, 120, 200));
            return TestHttpServer::image(image);
        }
        return TestHttpServer::ok();
    });
}

int listRequests(const TestHttpServer &server)
{
    return server.requestCount({"/rest/getAlbumList2"});
}

void usePalette(bool dark)
{
    QGuiApplication::setPalette(dark ? UiTest::darkPalette() : QPalette());
}

} // namespace

// The album grids: the column set, paging through the store as the last tile
// shows, the model growing only at its end, the liked grid following likes,
// the tile's click, drag and menu in a real window, and the server notice
// standing in for an empty grid in the main window.
class TestAlbumGrid : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase() { m_warnings.install(); }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void columns_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("tileWidth");
        QTest::newRow("narrower than one column") << 120.0 << 1 << 120.0;
        QTest::newRow("one minimum column") << 170.0 << 1 << 170.0;
        QTest::newRow("one column capped") << 300.0 << 1 << 230.0;
        QTest::newRow("two columns just fit") << 364.0 << 2 << 170.0;
        QTest::newRow("two columns, one short of three") << 557.0 << 2 << 230.0;
        QTest::newRow("three columns just fit") << 558.0 << 3 << 170.0;
        QTest::newRow("four columns") << 852.0 << 4 << 195.0;
        QTest::newRow("no width") << 0.0 << 1 << 170.0;
    }
    void columns()
    {
        QFETCH(double, width);
        QFETCH(int, columns);
        QFETCH(double, tileWidth);
        QCOMPARE(AlbumGridLayout::columns(width), columns);
        QCOMPARE(AlbumGridLayout::tileWidth(width), tileWidth);
    }

    // The last tile coming into view asks for the next page; a short or
    // empty page ends the list; a failed page keeps what is shown, shows its
    // error only while nothing is, and is asked again when the last tile (or,
    // with nothing shown, the page) appears again; the model only ever grows
    // at its end.
    void paging_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("failOnceAt"); // offset of the page that fails once
        QTest::addColumn<QList<int>>("counts"); // albums shown after each list request
        QTest::addColumn<int>("overlay");
        const int none = int(AlbumCollectionViewModel::Overlay::None);
        QTest::newRow("no albums") << 0 << -1 << QList<int> {0}
                                   << int(AlbumCollectionViewModel::Overlay::Empty);
        QTest::newRow("one short page") << 12 << -1 << QList<int> {12} << none;
        QTest::newRow("exactly one page, then an empty one") << 60 << -1 << QList<int> {60, 60} << none;
        QTest::newRow("one more than a page") << 61 << -1 << QList<int> {60, 61} << none;
        QTest::newRow("three pages") << 150 << -1 << QList<int> {60, 120, 150} << none;
        QTest::newRow("first page fails once") << 12 << 0 << QList<int> {0, 12} << none;
        QTest::newRow("second page fails once") << 150 << 60 << QList<int> {60, 60, 120, 150} << none;
        QTest::newRow("empty last page fails once") << 120 << 120 << QList<int> {60, 120, 120, 120} << none;
    }
    void paging()
    {
        QFETCH(int, total);
        QFETCH(int, failOnceAt);
        QFETCH(QList<int>, counts);
        QFETCH(int, overlay);
        PageHarness harness;
        serveLibrary(harness.server(), total, failOnceAt);
        QVERIFY(harness.start());
        PageContext *context = harness.rootContext(SidebarItem::Albums);
        AlbumGridViewModel grid(context, *context->route().grid);
        QAbstractItemModelTester tester(
            grid.albums(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(grid.albums(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(grid.albums(), &QAbstractItemModel::rowsInserted);
        QCOMPARE(grid.overlay(), AlbumCollectionViewModel::Overlay::None); // nothing started yet

        grid.appear();
        QCOMPARE(grid.overlay(), AlbumCollectionViewModel::Overlay::Loading);
        for (int request = 1; request <= counts.size(); ++request) {
            QTRY_VERIFY(!grid.isLoading());
            QCOMPARE(listRequests(harness.server()), request);
            const int count = grid.albums()->count();
            QCOMPARE(count, counts.at(request - 1));
            const bool failed = failOnceAt >= 0 && request == failOnceAt / 60 + 1;
            QCOMPARE(grid.errorMessage().contains(u"The disk is on fire"_s), failed);
            if (failed && count == 0) {
                QCOMPARE(grid.overlay(), AlbumCollectionViewModel::Overlay::Failed);
                grid.appear(); // the page shown again asks again
                continue;
            }
            if (count > 0) // a failed later page is not shown over the albums
                QCOMPARE(grid.overlay(), AlbumCollectionViewModel::Overlay::None);
            // Any tile but the last, and the last one again while loading: no request.
            grid.tileAppeared(count - 2);
            grid.tileAppeared(count - 1);
            grid.tileAppeared(count - 1);
        }
        QTRY_VERIFY(!grid.isLoading());
        QCOMPARE(listRequests(harness.server()), counts.size()); // at the end: no more
        QVERIFY(grid.errorMessage().isEmpty());
        QCOMPARE(int(grid.overlay()), overlay);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), (total + 59) / 60);
        for (const auto &insert : inserts)
            QCOMPARE(insert.at(1).toInt() % 60, 0); // always at the end, a page each

        // Coming back shows the cached albums without asking again.
        grid.appear();
        QCOMPARE(listRequests(harness.server()), counts.size());
    }

    void failedFirstPage()
    {
        PageHarness harness;
        harness.server().setResponse("/rest/getAlbumList2", TestHttpServer::failed(0, "The disk is on fire"));
        QVERIFY(harness.start());
        PageContext *context = harness.rootContext(SidebarItem::TopRated);
        AlbumGridViewModel grid(context, *context->route().grid);
        QCOMPARE(grid.title(), u"Top Rated"_s);
        grid.appear();
        QTRY_COMPARE(grid.overlay(), AlbumCollectionViewModel::Overlay::Failed);
        QVERIFY(grid.errorMessage().contains(u"The disk is on fire"_s));
    }

    // While the server fails, a page with nothing to show gives its place to
    // the full-page notice, and the window's banner stays hidden rather than
    // saying the same again (here it would: other things are cached, or a
    // failure is waiting to be shown).
    void serverNoticeHidesTheBanner_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("playlistsCached");
        QTest::newRow("albums") << int(SidebarItem::Albums) << u"AlbumGridView"_s << true;
        QTest::newRow("liked albums") << int(SidebarItem::LikedAlbums) << u"LikedAlbumsView"_s << true;
        QTest::newRow("home, nothing cached") << int(SidebarItem::Home) << u"HomeView"_s << false;
    }
    void serverNoticeHidesTheBanner()
    {
        QFETCH(int, item);
        QFETCH(bool, playlistsCached);
        PageHarness harness;
        harness.server().setHandler(
            [](const TestHttpServer::Request &) { return TestHttpServer::dropped(); });
        harness.server().setResponse("/rest/getStarred2", TestHttpServer::dropped());
        harness.server().setResponse("/rest/getPlaylists",
            playlistsCached ? TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})")
                            : TestHttpServer::dropped());
        QVERIFY(harness.start(QSize(1000, 640)));
        // The failure stays until the test has seen where it shows.
        QVERIFY(harness.loadMainView({{u"bannerAutoDismissInterval"_s, 3'600'000}}));
        harness.library()->ensurePlaylistsLoaded();
        QTRY_COMPARE(harness.library()->hasCachedContent(), playlistsCached);
        harness.library()->ensureStarredLoaded();
        QTRY_VERIFY(!harness.library()->reachability().isOk());
        harness.library()->setLastFailure(
            StoreFailure(QUuid::createUuid(), u"update your likes"_s, ConnectionFault::offline()));
        QQuickItem *bannerView = UiTest::findItem(harness.window(), u"ConnectionBanner"_s);
        QVERIFY(bannerView);
        const auto *banner = bannerView->property("viewModel").value<QObject *>();
        QQuickItem *card = UiTest::findItem(bannerView, u"bannerCard"_s);
        QVERIFY(card);

        // On a page with no notice of its own the outage shows in the banner.
        harness.main()->navigation()->setSelection(SidebarSelection::item(SidebarItem::Downloads));
        QVERIFY(harness.waitForPage(u"DownloadsView"_s));
        QTRY_VERIFY(banner->property("shown").toBool());
        QTRY_VERIFY(card->isVisible());
        QVERIFY(!UiTest::findVisibleItem(harness.window(), u"ServerUnavailableView"_s));

        // The page with nothing to show: its notice takes over, the banner goes.
        harness.main()->navigation()->setSelection(SidebarSelection::item(SidebarItem(item)));
        QFETCH(QString, page);
        QVERIFY(harness.waitForPage(page));
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"ServerUnavailableView"_s));
        QVERIFY(!harness.library()->reachability().isOk());
        QVERIFY(harness.library()->lastFailure());
        QVERIFY(!banner->property("shown").toBool());
        // Shown over the page before, the card slides away.
        QTRY_VERIFY(!card->isVisible());
        UiTest::saveScreenshot(harness.window(), u"server-notice-%1.png"_s.arg(page));
    }

    // A like or unlike anywhere inserts or removes one row of the liked grid.
    void likedFollowsLikes()
    {
        PageHarness harness;
        harness.server().setResponse("/rest/getStarred2",
            TestHttpServer::ok("\"starred2\":{\"album\":[" + albumJson(1) + "," + albumJson(2) + "]}"));
        harness.server().setResponse("/rest/star", TestHttpServer::ok());
        harness.server().setResponse("/rest/unstar", TestHttpServer::ok());
        QVERIFY(harness.start());
        LikedAlbumsViewModel liked(harness.rootContext(SidebarItem::LikedAlbums));
        QAbstractItemModelTester tester(
            liked.albums(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(liked.albums(), &QAbstractItemModel::modelReset);
        QCOMPARE(liked.overlay(), AlbumCollectionViewModel::Overlay::Loading);
        liked.appear();
        QTRY_COMPARE(liked.albums()->count(), 2);
        QVERIFY(liked.isLiked(0));

        Album other = *Album::fromJson(QJsonDocument::fromJson(albumJson(7)).object());
        harness.library()->toggleStarAlbum(other); // liked elsewhere
        QCOMPARE(liked.albums()->count(), 3);
        QCOMPARE(liked.albums()->recordAt(0)->id, u"al-7"_s);
        liked.toggleLike(1); // al-1 unliked from its tile
        QCOMPARE(liked.albums()->count(), 2);
        QCOMPARE(liked.albums()->rowOf(u"al-1"_s), -1);
        liked.toggleLike(0);
        liked.toggleLike(0);
        QCOMPARE(liked.albums()->count(), 0);
        QCOMPARE(liked.overlay(), AlbumCollectionViewModel::Overlay::Empty);
        QCOMPARE(resets.count(), 0);
        QTRY_COMPARE(harness.server().requestCount({"/rest/star", "/rest/unstar"}), 4);
    }

    // The tile menu's playlist and download items act on the album of the
    // tile it was opened on last, and on nothing beside the tiles.
    void menuActsOnItsAlbum_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("downloadItems");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("a tile") << 2 << QStringList {u"Download"_s} << QStringList {u"s1"_s};
        QTest::newRow("no tile") << -1 << QStringList {} << QStringList {};
    }

    void menuActsOnItsAlbum()
    {
        QFETCH(int, row);
        PageHarness harness;
        serveLibrary(harness.server(), 3);
        harness.server().setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})"));
        harness.server().setResponse("/rest/getAlbum",
            TestHttpServer::ok(
                R"("album":{"id":"al-2","name":"Album 2","song":[{"id":"s1","title":"One"}]})"));
        harness.server().setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p1","name":"Mix"})"));
        QVERIFY(harness.start());
        PageContext *context = harness.rootContext(SidebarItem::Albums);
        AlbumGridViewModel grid(context, *context->route().grid);
        grid.appear();
        harness.library()->ensurePlaylistsLoaded();
        QTRY_COMPARE(grid.albums()->count(), 3);
        QTRY_COMPARE(grid.menuPlaylists()->playlistIdAt(0), u"p1"_s);
        QCOMPARE(grid.downloads(), harness.downloads());

        grid.prepareMenu(0);
        grid.prepareMenu(row);
        QTEST(fieldsOf(grid.menuDownloads()->items(), &DownloadMenuItem::text), "downloadItems");
        grid.menuPlaylists()->add(0);
        QFETCH(QStringList, added);
        QTest::qWait(100);
        QTRY_COMPARE(harness.server().sentValues("/rest/updatePlaylist", u"songIdToAdd"_s), added);
    }

    // The tile in a window: the drag from the cover carries the album, a
    // click on the cover opens it, the menu reads the like state.
    void tileInWindow_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void tileInWindow()
    {
        QFETCH(bool, dark);
        usePalette(dark);
        PageHarness harness;
        serveLibrary(harness.server(), 200);
        QVERIFY(harness.start(QSize(1000, 700)));
        QNetworkAccessManager manager;
        UrlSession session(&manager, 5000);
        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), &session);
        ArtworkClient artwork(&fetcher);
        artwork.setClient(
            SubsonicClient(ServerConfig {harness.server().baseUrl(), u"ann"_s, u"pw"_s}, &session));
        ArtworkClient::setCurrent(&artwork);
        const auto restore = qScopeGuard([] { ArtworkClient::setCurrent(nullptr); });
        harness.window()->setColor(
            QGuiApplication::palette().color(dark ? QPalette::Base : QPalette::Window));
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Albums)));
        QVERIFY(page);
        auto *grid = page->property("viewModel").value<AlbumGridViewModel *>();
        QTRY_COMPARE(grid->albums()->count(), 60);
        QQuickItem *view = UiTest::findItem(page, u"albumGrid"_s);
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"albumCover"_s));
        // 952 points between the paddings: five columns of 171.2.
        QCOMPARE(view->property("columns").toInt(), 5);
        QTRY_COMPARE(view->property("contentItem").value<QQuickItem *>()->childrenRect().width(), 952.0);
        QTest::qWait(300); // the covers
        UiTest::saveScreenshot(harness.window(), dark ? u"album-grid-dark.png"_s : u"album-grid-light.png"_s);

        // Scrolling to the end brings the last tile, which asks for more.
        QMetaObject::invokeMethod(view, "positionViewAtEnd");
        QTRY_COMPARE(grid->albums()->count(), 120);
        QMetaObject::invokeMethod(view, "positionViewAtBeginning");
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"albumCover"_s));

        QQuickItem *cover = UiTest::findVisibleItem(harness.window(), u"albumCover"_s);
        QQuickItem *cell = cover->parentItem()->parentItem();
        const int row = cell->property("index").toInt();
        QQuickItem *source = UiTest::findItem(cell, u"albumDragSource"_s);
        const QPoint start = cover->mapToScene(QPointF(40, 40)).toPoint();
        QTest::mousePress(harness.window(), Qt::LeftButton, {}, start);
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(harness.window(), start + QPoint(step * 10, step * 8));
        QTRY_VERIFY(source->property("dragging").toBool());
        const QVariantMap mime = source->property("dragMimeData").toMap();
        const auto dragged = DragPayload::decodeAlbums(mime.value(DragPayload::albumFormat()).toByteArray());
        QVERIFY(dragged && dragged->size() == 1);
        QCOMPARE(dragged->first().id, grid->albums()->recordAt(row)->id);
        QCOMPARE(source->property("dragKeys").toStringList(), QStringList {DragPayload::albumFormat()});
        QTest::mouseRelease(harness.window(), Qt::LeftButton, {}, start + QPoint(60, 48));
        QTRY_VERIFY(!source->property("dragging").toBool());
        QCOMPARE(harness.main()->navigation()->depth(), 0); // a drag is no click

        // The menu: playback, the like item, "Add to Playlist" and the
        // album's download items, drawn alike.
        QObject *menu = page->findChild<QObject *>(u"albumMenu"_s);
        QVERIFY(menu);
        LIRNA_RIGHT_CLICK(cover);
        QTRY_VERIFY(menu->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(menu),
            (QStringList {u"Play"_s, u"Shuffle"_s, QString(), u"Play Next"_s, u"Play Last"_s, QString(),
                u"Like Album"_s, u"Add to Playlist"_s, u"Download"_s}));
        LIRNA_CLICK(UiTest::menuItem(menu, u"Add to Playlist"_s));
        QTRY_VERIFY(page->findChild<QObject *>(u"albumPlaylistMenu"_s)->property("opened").toBool());
        UiTest::saveScreenshot(
            harness.window(), dark ? u"album-grid-menu-dark.png"_s : u"album-grid-menu-light.png"_s);
        QMetaObject::invokeMethod(menu, "dismiss");
        QTRY_VERIFY(!menu->property("visible").toBool());

        LIRNA_CLICK(cover);
        QTRY_COMPARE(harness.main()->navigation()->depth(), 1);
        QCOMPARE(harness.main()->navigation()->routeAt(1).album->id, grid->albums()->recordAt(row)->id);
        usePalette(false);
    }
};

QTEST_MAIN(TestAlbumGrid)
#include "tst_AlbumGrid.moc"
