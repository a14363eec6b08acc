// LIRNA_TEST_NEEDS_QML
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Albums/AlbumGridViewModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"
#include "SavedLocation.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SidebarItem)

namespace {

QQuickItem *findNamed(QQuickItem *item, const QString &name)
{
    if (item->objectName() == name && item->isVisible())
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findNamed(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

// The album grid pages of the sidebar on the fixture's library: each shows
// the server's albums of its ordering (or its empty notice), and a click on
// a cover opens that album.
class TestIntegrationAlbumGrid : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_START_PAGE_SUITE(m_server, m_warnings);
        m_session = std::make_unique<UrlSession>(&m_manager, 15'000);
        // The window model starts where a first launch does, not on the
        // album an earlier run opened.
        SavedLocation::clear();
    }

    void eachEntryShowsItsGrid_data()
    {
        QTest::addColumn<SidebarItem>("item");
        QTest::addColumn<QString>("listType");
        QTest::newRow("albums") << SidebarItem::Albums << u"alphabeticalByName"_s;
        QTest::newRow("recently added") << SidebarItem::RecentlyAdded << u"newest"_s;
        QTest::newRow("recently played") << SidebarItem::RecentlyPlayed << u"recent"_s;
        QTest::newRow("most played") << SidebarItem::MostPlayed << u"frequent"_s;
        QTest::newRow("random") << SidebarItem::Random << u"random"_s;
        QTest::newRow("top rated") << SidebarItem::TopRated << u"highest"_s;
    }
    void eachEntryShowsItsGrid()
    {
        QFETCH(SidebarItem, item);
        QFETCH(QString, listType);
        const SubsonicClient client(m_server->config(0), m_session.get());
        // The server may not know an ordering: the page then shows its error.
        QList<Album> expected;
        QString failure;
        try {
            expected = TestAwait::await(
                client.albums(*AlbumListTypes::fromRawValue(listType), LibraryStore::AlbumPageSize, 0));
        } catch (const SubsonicError &error) {
            failure = error.localizedDescription();
        }

        LibraryStore library(client);
        DownloadStore downloads(client);
        PlayerController player(new FakeQueuePlayer);
        MainViewModel main(client, &library, &downloads, &player);
        const PageRoute route = PageRoute::forSelection(SidebarSelection::item(item));
        auto *context = new PageContext(&main, route, 0);
        QObject *viewModel = PageRegistry::createViewModel(context);
        auto *grid = qobject_cast<AlbumGridViewModel *>(viewModel);
        QVERIFY(grid);
        QCOMPARE(grid->listTypeName(), listType);

        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine, PageRegistry::source(route.kind));
        std::unique_ptr<QObject> object(
            component.createWithInitialProperties({{u"context"_s, QVariant::fromValue(context)},
                {u"viewModel"_s, QVariant::fromValue(viewModel)}}));
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *page = qobject_cast<QQuickItem *>(object.get());
        context->setParent(page);
        QQuickWindow window;
        window.resize(900, 600);
        page->setParentItem(window.contentItem());
        page->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        if (!failure.isEmpty()) {
            QTRY_COMPARE(grid->overlay(), AlbumCollectionViewModel::Overlay::Failed);
            QCOMPARE(grid->errorMessage(), failure);
            QVERIFY(findNamed(page, u"albumGridNotice"_s));
            return;
        }
        QTRY_VERIFY(!grid->isLoading() && library.albumList(grid->listType()).reachedEnd);
        if (expected.isEmpty()) {
            QCOMPARE(grid->overlay(), AlbumCollectionViewModel::Overlay::Empty);
            QVERIFY(findNamed(page, u"albumGridNotice"_s));
        } else {
            QCOMPARE(grid->albums()->count(), expected.size());
            QCOMPARE(grid->overlay(), AlbumCollectionViewModel::Overlay::None);
            QTRY_VERIFY(findNamed(page, u"albumCover"_s));
            if (listType != u"random"_s) // a fresh shuffle each time
                QCOMPARE(grid->albums()->recordAt(0)->id, expected.first().id);
        }

        if (item == SidebarItem::Albums) {
            QQuickItem *cover = findNamed(page, u"albumCover"_s);
            QQuickItem *cell = cover->parentItem()->parentItem();
            const int row = cell->property("index").toInt();
            QTest::mouseClick(&window, Qt::LeftButton, {},
                cover->mapToScene(QPointF(cover->width() / 2, cover->height() / 2)).toPoint());
            QTRY_COMPARE(main.navigation()->depth(), 1);
            QCOMPARE(main.navigation()->routeAt(1).album->id, grid->albums()->recordAt(row)->id);
        }
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    // A tile's menu adds its album to a playlist on the server; the playlist
    // is deleted again afterwards.
    void menuAddsTheAlbumToAPlaylist()
    {
        const SubsonicClient client(m_server->config(0), m_session.get());
        const QString name = u"Grid menu list"_s;
        TestAwait::await(client.createPlaylist(name));
        QString id;
        for (const Playlist &playlist : TestAwait::await(client.playlists())) {
            if (playlist.name == name)
                id = playlist.id;
        }
        QVERIFY(!id.isEmpty());
        const auto cleanup = qScopeGuard([&client, id] { TestAwait::await(client.deletePlaylist(id)); });

        PageHarness harness;
        QVERIFY(harness.start(QSize(900, 640), m_server->config(0)));
        harness.library()->ensurePlaylistsLoaded();
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Albums)));
        QVERIFY(page);
        auto *grid = page->property("viewModel").value<AlbumGridViewModel *>();
        QTRY_VERIFY(grid->albums()->count() > 0);
        QQuickItem *cover = nullptr;
        QTRY_VERIFY((cover = findNamed(page, u"albumCover"_s)));
        const int row = cover->parentItem()->parentItem()->property("index").toInt();
        const Album album = TestAwait::await(client.album(grid->albums()->recordAt(row)->id));
        QTRY_VERIFY(harness.library()->playlistsLoaded());

        QObject *menu = page->findChild<QObject *>(u"albumMenu"_s);
        LIRNA_RIGHT_CLICK(cover);
        QTRY_VERIFY(menu->property("opened").toBool());
        QVERIFY(UiTest::menuItem(menu, u"Add to Playlist"_s));
        QMetaObject::invokeMethod(menu, "dismiss");
        QTRY_VERIFY(!menu->property("visible").toBool());
        // The submenu's item for the playlist, as its click would.
        AddToPlaylistModel *playlists = grid->menuPlaylists();
        int target = -1;
        for (int i = 0; i < playlists->count(); ++i) {
            if (playlists->playlistIdAt(i) == id)
                target = i;
        }
        QVERIFY(target >= 0);
        playlists->add(target);

        QStringList expected;
        for (const Song &song : album.song.value_or(QList<Song>()))
            expected.append(song.id);
        QVERIFY(!expected.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QStringList held;
                for (const Song &song : TestAwait::await(client.playlist(id)).entry.value_or(QList<Song>()))
                    held.append(song.id);
                return held == expected;
            }(),
            10'000);
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }
};

QTEST_MAIN(TestIntegrationAlbumGrid)
#include "tst_IntegrationAlbumGrid.moc"
