#include <QQuickItem>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "MainViewModel.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PageRoute)

namespace {

Album album(const QString &id)
{
    Album a;
    a.id = id;
    a.name = u"Album "_s + id;
    return a;
}

QObject *viewModelOf(QQuickItem *page)
{
    return page ? page->property("viewModel").value<QObject *>() : nullptr;
}

} // namespace

// Every page goes through the one page table: its QML file takes the page's
// context and its view model; the main window's stack is fed from the
// navigation through the same table; the contexts carry the navigation.
class TestPageContract : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase() { m_warnings.install(); }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void everyPageLoadsThroughTheTable_data()
    {
        QTest::addColumn<PageRoute>("route");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("toolbarTitle");
        const auto selection
            = [](SidebarItem item) { return PageRoute::forSelection(SidebarSelection::item(item)); };
        QTest::newRow("home") << selection(SidebarItem::Home) << u"HomeView"_s << QString() << u"Home"_s;
        QTest::newRow("grid") << selection(SidebarItem::TopRated) << u"AlbumGridView"_s << u"Top Rated"_s
                              << u"Top Rated"_s;
        QTest::newRow("artists") << selection(SidebarItem::Artists) << u"ArtistsView"_s << QString()
                                 << u"Artists"_s;
        QTest::newRow("songs") << selection(SidebarItem::Songs) << u"SongsView"_s << QString() << u"Songs"_s;
        QTest::newRow("downloads") << selection(SidebarItem::Downloads) << u"DownloadsView"_s << QString()
                                   << u"Downloads"_s;
        QTest::newRow("liked songs") << selection(SidebarItem::LikedSongs) << u"LikedSongsView"_s << QString()
                                     << u"Liked Songs"_s;
        QTest::newRow("liked albums") << selection(SidebarItem::LikedAlbums) << u"LikedAlbumsView"_s
                                      << u"Liked Albums"_s << u"Liked Albums"_s;
        QTest::newRow("playlist") << PageRoute::forSelection(SidebarSelection::playlist(u"p-3"_s))
                                  << u"PlaylistDetailView"_s << QString() << QString();
        QTest::newRow("album") << PageRoute::forDestination(album(u"1"_s)) << u"AlbumDetailView"_s
                               << u"Album 1"_s << QString();
        QTest::newRow("artist") << PageRoute::forDestination(Artist {u"a1"_s, u"<i>Ann</i>"_s, {}, {}})
                                << u"ArtistDetailView"_s << u"<i>Ann</i>"_s << QString();
    }

    void everyPageLoadsThroughTheTable()
    {
        QFETCH(PageRoute, route);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, toolbarTitle);
        PageHarness harness;
        QVERIFY(harness.start());
        QCOMPARE(PageRegistry::page(route.kind).kind, route.kind);
        QQuickItem *page = harness.loadPage(route);
        QVERIFY(page);
        QCOMPARE(page->objectName(), name);
        QCOMPARE(page->property("context").value<QObject *>(), harness.context());
        QObject *viewModel = viewModelOf(page);
        QVERIFY(viewModel && viewModel->parent() == harness.context());
        QCOMPARE(viewModel->property("title").toString(), title);
        QCOMPARE(page->property("title").toString(), toolbarTitle);
        QCOMPARE(viewModel->property("playlistId").toString(), route.playlistId);
        QCOMPARE(harness.context()->property("bottomInset").toInt(), 78);
    }

    // What a page asks of its context lands on the window's navigation.
    void contextsNavigate()
    {
        PageHarness harness;
        QVERIFY(harness.start());
        NavigationModel *nav = harness.main()->navigation();
        PageContext root(harness.main(), nav->routeAt(0), 0);
        root.reportAccent(Qt::red);
        QCOMPARE(nav->windowAccent(), QColor(Qt::red));

        root.openAlbum(album(u"1"_s));
        PageContext albumPage(harness.main(), nav->routeAt(1), 1);
        QVERIFY(albumPage.route().album == album(u"1"_s));
        QVERIFY(!root.isOnTop() && albumPage.isOnTop());
        root.reportAccent(Qt::yellow); // covered: ignored
        QVERIFY(!nav->windowAccent().isValid());
        albumPage.reportAccent(Qt::blue);
        QCOMPARE(nav->windowAccent(), QColor(Qt::blue));

        albumPage.openArtist(Artist {u"a1"_s, u"Ann"_s, {}, {}});
        albumPage.pushGrid(AlbumGridDestination {AlbumListType::Frequent, u"Most Played"_s});
        QCOMPARE(nav->depth(), 3);
        QVERIFY(nav->routeAt(2).artist && nav->routeAt(3).grid);

        nav->popTo(0);
        QCOMPARE(nav->windowAccent(), QColor(Qt::red));
        albumPage.reportAccent(Qt::green); // popped already: no say
        QCOMPARE(nav->windowAccent(), QColor(Qt::red));
        QVERIFY(root.isOnTop() && !albumPage.isOnTop());

        root.openPlaylist(u"p9"_s);
        QVERIFY(nav->selection() == SidebarSelection::playlist(u"p9"_s));
        PageContext playlistPage(harness.main(), nav->routeAt(0), 0);
        playlistPage.pageDeleted();
        QVERIFY(nav->selection() == SidebarSelection::item(SidebarItem::Home));
    }

    // An album's artist opens only when the album links to it by id; a play
    // starts the album at its first song.
    void albumActions_data()
    {
        QTest::addColumn<std::optional<QString>>("artist");
        QTest::addColumn<std::optional<QString>>("artistId");
        QTest::addColumn<bool>("opens");
        QTest::newRow("linked") << std::optional(u"Ann"_s) << std::optional(u"ar1"_s) << true;
        QTest::newRow("no id") << std::optional(u"Ann"_s) << std::optional<QString>() << false;
        QTest::newRow("empty id") << std::optional(u"Ann"_s) << std::optional(QString()) << false;
        QTest::newRow("no name") << std::optional<QString>() << std::optional(u"ar1"_s) << false;
    }

    void albumActions()
    {
        QFETCH(std::optional<QString>, artist);
        QFETCH(std::optional<QString>, artistId);
        QFETCH(bool, opens);
        PageHarness harness;
        harness.server().setResponse("/rest/getAlbum",
            TestHttpServer::ok(R"("album":{"id":"1","name":"Album 1","song":[{"id":"s1","title":"One"},)"
                               R"({"id":"s2","title":"Two"}]})"));
        QVERIFY(harness.start());
        PageContext *root = harness.rootContext(SidebarItem::Home);
        Album a = album(u"1"_s);
        a.artist = artist;
        a.artistId = artistId;
        root->openArtistOf(a);
        NavigationModel *nav = harness.main()->navigation();
        QCOMPARE(nav->depth(), opens ? 1 : 0);
        if (opens)
            QVERIFY(nav->routeAt(1).artist == (Artist {*artistId, *artist, {}, {}}));
        root->playAlbum(a, false);
        QTRY_COMPARE(harness.player()->queue().size(), 2);
        QCOMPARE(harness.player()->currentSong()->id, u"s1"_s);
    }

    // The main window's stack mirrors the navigation through the page table,
    // and the sidebar's rows react to real clicks.
    void mainViewStackAndSidebar()
    {
        PageHarness harness;
        harness.server().setResponse("/rest/getPlaylists",
            TestHttpServer::ok("\"playlists\":{\"playlist\":[{\"id\":\"p1\",\"name\":\"Road Trip\"}]}"));
        QVERIFY(harness.start(QSize(1000, 640)));
        QQuickItem *main = harness.loadMainView();
        QVERIFY(main);
        QQuickItem *stack = UiTest::findItem(main, u"detailStack"_s);
        QVERIFY(stack);
        NavigationModel *nav = harness.main()->navigation();
        const auto top = [stack] { return stack->property("currentItem").value<QQuickItem *>(); };
        QTRY_COMPARE(top()->objectName(), u"HomeView"_s);

        // A page pushes through its context; the stack follows and pops back.
        auto *homeContext = top()->property("context").value<PageContext *>();
        QVERIFY(homeContext && homeContext->isRoot());
        homeContext->pushGrid(AlbumGridDestination {AlbumListType::Newest, u"Recently Added"_s});
        QTRY_COMPARE(top()->objectName(), u"AlbumGridView"_s);
        QCOMPARE(viewModelOf(top())->property("listType").toString(), u"newest"_s);
        QCOMPARE(stack->property("depth").toInt(), 2);
        QTRY_VERIFY(!stack->property("busy").toBool());
        LIRNA_CLICK(UiTest::findItem(main, u"backButton"_s));
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QCOMPARE(nav->depth(), 0);
        QTRY_VERIFY(!stack->property("busy").toBool());

        // The playlist row: a right click opens its menu and nothing else.
        QQuickItem *list = UiTest::findItem(main, u"sidebarList"_s);
        QTRY_COMPARE(list->property("count").toInt(), 14);
        QQuickItem *row = nullptr;
        const QList<QQuickItem *> rows = list->property("contentItem").value<QQuickItem *>()->childItems();
        for (QQuickItem *loader : rows) {
            if (loader->property("playlistId").toString() == u"p1"_s)
                row = loader->property("item").value<QQuickItem *>();
        }
        QVERIFY(row);
        homeContext = top()->property("context").value<PageContext *>();
        homeContext->openAlbum(album(u"1"_s));
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QTRY_VERIFY(!stack->property("busy").toBool());
        LIRNA_RIGHT_CLICK(row);
        QObject *menu = nullptr;
        for (QObject *child : row->findChildren<QObject *>()) {
            if (child->inherits("QQuickMenu"))
                menu = child;
        }
        QVERIFY(menu);
        QTRY_VERIFY(menu->property("opened").toBool());
        QVERIFY(nav->selection() == SidebarSelection::item(SidebarItem::Home));
        QCOMPARE(nav->depth(), 1);
        UiTest::saveScreenshot(harness.window(), u"sidebar-menu.png"_s);
        QTest::keyClick(harness.window(), Qt::Key_Escape);
        QTRY_VERIFY(!menu->property("visible").toBool());

        // A left click selects it: a fresh root page for that playlist.
        LIRNA_CLICK(row);
        QVERIFY(nav->selection() == SidebarSelection::playlist(u"p1"_s));
        QTRY_COMPARE(top()->objectName(), u"PlaylistDetailView"_s);
        QCOMPARE(viewModelOf(top())->property("playlistId").toString(), u"p1"_s);
        QCOMPARE(stack->property("depth").toInt(), 1);

        // The plus button sits on the "Playlists" header only.
        LIRNA_CLICK(UiTest::findVisibleItem(harness.window(), u"newPlaylistButton"_s));
        QObject *dialog = main->findChild<QObject *>(u"newPlaylistDialog"_s);
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("opened").toBool());
    }
};

QTEST_MAIN(TestPageContract)
#include "tst_PageContract.moc"
