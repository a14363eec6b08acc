#include <QAbstractItemModelTester>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <array>
#include <memory>

#include "App/AppState.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadBadgeModel.h"
#include "Components/DragPayload.h"
#include "Components/LikeMenuItemModel.h"
#include "Components/PlaylistDropHandler.h"
#include "Helpers/FakePlaylistServer.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Networking/UrlSession.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

Song song(const QString &id)
{
    Song s;
    s.id = id;
    s.title = u"Song "_s + id;
    return s;
}

Album album(const QString &id, std::optional<QStringList> songIds = std::nullopt)
{
    Album a;
    a.id = id;
    a.name = u"Album "_s + id;
    if (songIds) {
        a.song = QList<Song>();
        for (const QString &songId : *songIds)
            a.song->append(song(songId));
    }
    return a;
}

// The server's albums by id; an id missing here answers "not found".
TestHttpServer::Response albumAnswer(const TestHttpServer::Request &request)
{
    const QString id = request.queryValue(u"id"_s);
    const QHash<QString, QList<QByteArray>> songs {
        {u"b"_s, {LibraryFixtures::songJson(u"b1"_s, u"b"_s), LibraryFixtures::songJson(u"b2"_s, u"b"_s)}},
        {u"c"_s, {LibraryFixtures::songJson(u"c1"_s, u"c"_s)}},
    };
    if (!songs.contains(id))
        return TestHttpServer::failed(70, "Album not found");
    return TestHttpServer::ok("\"album\":"
        + LibraryFixtures::albumJson(id, "\"song\":" + LibraryFixtures::joined(songs.value(id))));
}

// Each "updatePlaylist" request as "playlist: song, song".
QStringList additions(const TestHttpServer &server)
{
    QStringList out;
    for (const TestHttpServer::Request &request : server.requests()) {
        if (request.path() != "/rest/updatePlaylist")
            continue;
        QStringList songs;
        for (const auto &[name, value] : request.queryItems()) {
            if (name == u"songIdToAdd"_s)
                songs.append(value);
        }
        out.append(request.queryValue(u"playlistId"_s) + u": "_s + songs.join(u", "_s));
    }
    return out;
}

// The items of an open menu, by their texts ("" for a divider).
QStringList menuTexts(QObject *menu)
{
    QStringList texts;
    const int count = menu->property("count").toInt();
    for (int i = 0; i < count; ++i) {
        QQuickItem *item = nullptr;
        QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
        texts.append(item ? item->property("text").toString() : u"?"_s);
    }
    return texts;
}

QQuickItem *menuItem(QObject *menu, const QString &text)
{
    const int count = menu->property("count").toInt();
    for (int i = 0; i < count; ++i) {
        QQuickItem *item = nullptr;
        QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
        if (item && item->property("text").toString() == text)
            return item;
    }
    return nullptr;
}

} // namespace

// The add-to-playlist, like and album-drop pieces over real stores of a
// loopback server, and the sidebar's playlist row taking a real mouse drag.
class TestPlaylistMenus : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;
    std::unique_ptr<PageHarness> m_harness;

    bool start(const QByteArray &playlists)
    {
        m_harness = std::make_unique<PageHarness>();
        m_harness->server().setResponse(
            "/rest/getPlaylists", TestHttpServer::ok("\"playlists\":{\"playlist\":" + playlists + "}"));
        m_harness->server().setHandler([](const TestHttpServer::Request &request) {
            if (request.path() == "/rest/getAlbum")
                return albumAnswer(request);
            // An add reads the list first: these start empty.
            if (request.path() == "/rest/getPlaylist")
                return TestHttpServer::ok(
                    R"("playlist":{"id":")" + request.queryValue(u"id"_s).toUtf8() + R"(","name":"List"})");
            return TestHttpServer::ok();
        });
        return m_harness->start(QSize(440, 600));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Fusion"_s);
        m_warnings.install();
    }

    void cleanup()
    {
        m_harness.reset();
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    void addToPlaylistKeepsPlaylistsApartById()
    {
        QVERIFY(start(R"([{"id":"p1","name":"Mix"},{"id":"p2","name":"Mix"}])"));
        AddToPlaylistModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setLibrary(m_harness->library());
        QCOMPARE(model.count(), 1);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::TitleRole).toString(), u"No Playlists"_s);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::EnabledRole).toBool(), false);
        model.add(0); // the placeholder adds nothing

        m_harness->library()->ensurePlaylistsLoaded();
        QTRY_COMPARE(model.count(), 2);
        for (int row = 0; row < 2; ++row) {
            QCOMPARE(model.data(model.index(row), AddToPlaylistModel::TitleRole).toString(), u"Mix"_s);
            QVERIFY(model.data(model.index(row), AddToPlaylistModel::EnabledRole).toBool());
        }
        model.setSongs({song(u"s2"_s), song(u"s1"_s)});
        model.add(1);
        model.setAlbum(album(u"c"_s));
        model.add(0);
        QTRY_COMPARE(additions(m_harness->server()), (QStringList {u"p2: s2, s1"_s, u"p1: c1"_s}));
    }

    void likeItemTurnsOverAndBackOnRollback()
    {
        QVERIFY(start("[]"));
        m_harness->server().setResponse("/rest/star", TestHttpServer::failed(0, "Nope"));
        LikeMenuItemModel like;
        QCOMPARE(like.available(), false);
        like.setLibrary(m_harness->library());
        like.setSong(song(u"s1"_s));
        QVERIFY(like.available());
        QCOMPARE(like.text(), u"Like"_s);
        like.toggle();
        QCOMPARE(like.text(), u"Unlike"_s); // at once, before the server answers
        QTRY_COMPARE(like.text(), u"Like"_s);
        QVERIFY(m_harness->library()->lastFailure().has_value());
    }

    void dropAddsAlbumsInOrderPastAFailure()
    {
        QVERIFY(start("[]"));
        PlaylistDropHandler handler;
        handler.setLibrary(m_harness->library());
        QVERIFY(!handler.dropAlbums(u"p1"_s, QVariant(u"not albums"_s)));
        QVERIFY(!handler.dropAlbums(u"p1"_s, QVariant(u"[]"_s)));
        QVERIFY(!handler.dropAlbums(u""_s, QList<Album> {album(u"b"_s)}));

        QSignalSpy handled(&handler, &PlaylistDropHandler::dropHandled);
        // "x" fails to load; the album after it is still added.
        const QList<Album> dropped {album(u"a"_s, QStringList {u"a2"_s, u"a1"_s}), album(u"x"_s),
            album(u"b"_s), album(u"e"_s, QStringList {})};
        QVERIFY(handler.dropAlbums(u"p1"_s, QVariant(DragPayload::encodeAlbums(dropped))));
        QTRY_COMPARE(handled.count(), 1);
        QCOMPARE(additions(m_harness->server()), (QStringList {u"p1: a2, a1"_s, u"p1: b1, b2"_s}));
        QVERIFY(m_harness->library()->lastFailure().has_value());
    }

    // Albums dropped on a playlist of a slow server, then the run ends or
    // the user logs out at once: the songs of every album reach the server
    // before the store goes.
    void dropThenQuitOrLogOutSendsEveryAlbum_data()
    {
        QTest::addColumn<bool>("logOut");
        QTest::newRow("quit") << false;
        QTest::newRow("log out") << true;
    }

    void dropThenQuitOrLogOutSendsEveryAlbum()
    {
        QFETCH(bool, logOut);
        QVERIFY(start("[]"));
        FakePlaylistServer fake(m_harness->server());
        fake.lists[u"p1"_s] = QStringList {u"s1"_s};
        fake.albums[u"a"_s] = QStringList {u"a1"_s, u"a2"_s};
        fake.albums[u"b"_s] = QStringList {u"b1"_s};
        fake.albums[u"c"_s] = QStringList {u"c1"_s, u"c2"_s};
        fake.delayMs = 100;
        AppState state;
        state.setClient(SubsonicClient(m_harness->loopbackAccount(), UrlSession::shared()));
        QPointer<LibraryStore> library = state.library();
        PlaylistDropHandler handler;
        handler.setLibrary(library);
        QVERIFY(handler.dropAlbums(u"p1"_s, QList<Album> {album(u"a"_s), album(u"b"_s), album(u"c"_s)}));
        if (logOut) {
            state.setClient(std::nullopt);
            QTRY_VERIFY(!library);
        } else {
            LibraryStore::settlePlaylistWrites({library});
        }
        QCOMPARE(fake.lists.value(u"p1"_s), (QStringList {"s1", "a1", "a2", "b1", "c1", "c2"}));
    }

    void badgeStatesDraw()
    {
        QVERIFY(start("[]"));
        QQmlComponent component(&m_harness->engine());
        component.setData(R"(
            import QtQuick
            import Lirna.UI
            Rectangle {
                color: Theme.content
                Row {
                    x: 20; y: 20; spacing: 20
                    Repeater {
                        model: 5
                        DownloadStatusBadge { required property int index; objectName: "badge" + index; size: 24 }
                    }
                }
            })",
            QUrl(u"qrc:/test/Badges.qml"_s));
        std::unique_ptr<QQuickItem> scene(qobject_cast<QQuickItem *>(component.create()));
        QVERIFY2(scene, qPrintable(component.errorString()));
        QQuickWindow *window = m_harness->window();
        scene->setParentItem(window->contentItem());
        scene->setSize(window->size());
        const QList<DownloadBadgeState> states {
            DownloadBadgeState::decide(true, DownloadProgress {10, 3, true}, CollectionDownloadState::none()),
            DownloadBadgeState::decide(
                false, DownloadProgress {10, 3, false}, CollectionDownloadState::none()),
            DownloadBadgeState::decide(false, std::nullopt, CollectionDownloadState::partial(2, 10)),
            DownloadBadgeState::decide(true, std::nullopt, CollectionDownloadState::complete()),
            DownloadBadgeState::decide(false, std::nullopt, CollectionDownloadState::none()),
        };
        // glyph shown, ring shown, badge shown
        const QList<std::array<bool, 3>> drawn {{true, false, true}, {false, true, true}, {true, false, true},
            {true, false, true}, {false, false, false}};
        for (int i = 0; i < states.size(); ++i) {
            QQuickItem *badge = UiTest::findItem(scene.get(), u"badge"_s + QString::number(i));
            QVERIFY(badge);
            badge->property("badge").value<DownloadBadgeModel *>()->setState(states.at(i));
            QCOMPARE(UiTest::findItem(badge, u"badgeGlyph"_s)->isVisible(), drawn.at(i)[0]);
            QCOMPARE(UiTest::findItem(badge, u"badgeRing"_s)->isVisible(), drawn.at(i)[1]);
            QCOMPARE(badge->isVisible(), drawn.at(i)[2]);
        }
        UiTest::saveScreenshot(window, u"download-badges.png"_s);
    }

    void songMenuAddsToTheChosenPlaylist()
    {
        QVERIFY(
            start(R"([{"id":"p1","name":"Mix"},{"id":"p2","name":"Mix"},{"id":"p3","name":"<b>Bold</b>"},)"
                  R"({"id":"p4","name":"Songs for the long drive to the coast"}])"));
        m_harness->library()->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_harness->library()->playlistsLoaded());
        AddToPlaylistModel playlists;
        playlists.setLibrary(m_harness->library());
        playlists.setSongs({song(u"s1"_s)});
        LikeMenuItemModel like;
        like.setLibrary(m_harness->library());
        like.setSong(song(u"s1"_s));

        QQmlComponent component(&m_harness->engine());
        component.setData(R"(
            import QtQuick
            import Lirna.UI
            Rectangle {
                id: root
                required property AddToPlaylistModel playlists
                required property LikeMenuItemModel like
                color: Theme.content
                ContextMenu {
                    objectName: "songMenu"
                    LikeMenuItem { like: root.like }
                    AddToPlaylistMenu { objectName: "addMenu"; playlists: root.playlists }
                }
            })",
            QUrl(u"qrc:/test/SongMenu.qml"_s));
        std::unique_ptr<QQuickItem> scene(qobject_cast<QQuickItem *>(component.createWithInitialProperties(
            {{u"playlists"_s, QVariant::fromValue(&playlists)}, {u"like"_s, QVariant::fromValue(&like)}})));
        QVERIFY2(scene, qPrintable(component.errorString()));
        QQuickWindow *window = m_harness->window();
        scene->setParentItem(window->contentItem());
        scene->setSize(window->size());

        QObject *menu = scene->findChild<QObject *>(u"songMenu"_s);
        QObject *addMenu = scene->findChild<QObject *>(u"addMenu"_s);
        QVERIFY(menu && addMenu);
        QTest::mouseMove(window, QPoint(30, 30));
        QMetaObject::invokeMethod(menu, "openFor", Q_ARG(QVariant, QVariant()));
        QTRY_VERIFY(menu->property("opened").toBool());
        QCOMPARE(menuTexts(menu), (QStringList {u"Like"_s, u"Add to Playlist"_s}));
        LIRNA_CLICK(menuItem(menu, u"Add to Playlist"_s));
        QTRY_VERIFY(addMenu->property("opened").toBool());
        const QString longName = u"Songs for the long drive to the coast"_s;
        QCOMPARE(menuTexts(addMenu), (QStringList {u"Mix"_s, u"Mix"_s, u"<b>Bold</b>"_s, longName}));
        // The submenu widens for the long name rather than cutting it.
        QQuickItem *longItem = menuItem(addMenu, longName);
        QVERIFY(addMenu->property("width").toReal() > 200);
        QVERIFY(!longItem->property("contentItem").value<QQuickItem *>()->property("truncated").toBool());
        UiTest::saveScreenshot(window, u"add-to-playlist-menu.png"_s);
        QList<QQuickItem *> items;
        for (int i = 0; i < 3; ++i) {
            QQuickItem *item = nullptr;
            QMetaObject::invokeMethod(addMenu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
            items.append(item);
        }
        LIRNA_CLICK(items.at(1));
        QTRY_COMPARE(additions(m_harness->server()), QStringList {u"p2: s1"_s});
    }

    void albumDragOntoSidebarRow()
    {
        QVERIFY(start(R"([{"id":"p1","name":"Morning"},{"id":"p2","name":"Evening"}])"));
        QQuickItem *sidebar = m_harness->load(u"Sidebar.qml"_s,
            {{u"model"_s, QVariant::fromValue(m_harness->main()->sidebar())},
                {u"library"_s, QVariant::fromValue(m_harness->library())},
                {u"downloads"_s, QVariant::fromValue(m_harness->downloads())}});
        QVERIFY(sidebar);
        m_harness->library()->ensurePlaylistsLoaded();
        QQuickWindow *window = m_harness->window();
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = UiTest::findVisibleItem(window, u"playlistRow_p2"_s)));
        QQuickItem *dropArea = UiTest::findItem(row, u"albumDropArea"_s);
        QVERIFY(dropArea);

        // A stand-in for album tiles: dragged with the mouse, it carries the
        // albums the way a grid's tiles do.
        QQmlComponent component(&m_harness->engine());
        component.setData(R"(
            import QtQuick
            import Lirna.UI
            Item {
                id: tile
                property var payload
                width: 60; height: 30
                Drag.active: area.drag.active
                Drag.keys: [DragPayload.albumFormat]
                Drag.mimeData: payload
                Drag.hotSpot.x: width / 2
                Drag.hotSpot.y: height / 2
                MouseArea { id: area; anchors.fill: parent; drag.target: tile; onReleased: tile.Drag.drop() }
            })",
            QUrl(u"qrc:/test/Tile.qml"_s));
        std::unique_ptr<QQuickItem> tile(
            qobject_cast<QQuickItem *>(component.createWithInitialProperties({{u"payload"_s,
                DragPayload::albumsMimeMap({album(u"c"_s), album(u"a"_s, QStringList {u"a1"_s})})}})));
        QVERIFY2(tile, qPrintable(component.errorString()));
        tile->setParentItem(window->contentItem());
        tile->setPosition(QPointF(300, 300));

        const QPoint from = tile->mapToScene(QPointF(30, 15)).toPoint();
        const QPoint to = UiTest::centreOf(row);
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        constexpr int Steps = 12;
        for (int step = 1; step <= Steps; ++step) {
            QTest::mouseMove(window, from + (to - from) * step / Steps);
            QTest::qWait(10);
        }
        // The tile trails the pointer by the drag threshold: one more move
        // puts its centre on the row.
        const QPoint centre = UiTest::centreOf(tile.get());
        const QPoint release = to + (to - centre);
        QTest::mouseMove(window, release);
        QTRY_VERIFY(dropArea->property("containsDrag").toBool());
        UiTest::saveScreenshot(window, u"sidebar-album-drop.png"_s);
        QTest::mouseRelease(window, Qt::LeftButton, {}, release);
        QTRY_VERIFY(!dropArea->property("containsDrag").toBool());
        QTRY_COMPARE(additions(m_harness->server()), (QStringList {u"p2: c1"_s, u"p2: a1"_s}));

        // The row's menu: rename, its download items, a divider, delete.
        QVERIFY(!row->findChild<QObject *>(u"playlistMenu"_s)); // built on the first right click
        LIRNA_RIGHT_CLICK(row);
        QObject *menu = row->findChild<QObject *>(u"playlistMenu"_s);
        QVERIFY(menu);
        QTRY_VERIFY(menu->property("opened").toBool());
        QCOMPARE(menuTexts(menu), (QStringList {u"Rename…"_s, u"Download"_s, u""_s, u"Delete Playlist…"_s}));
        QVERIFY(menuItem(menu, u"Delete Playlist…"_s)->property("destructive").toBool());
        // Chosen before the menu has drawn a frame: the download item added
        // after the menu was built must already be in its view then.
        QSignalSpy deletes(sidebar, SIGNAL(deletePlaylist(QString)));
        LIRNA_CLICK(menuItem(menu, u"Delete Playlist…"_s));
        QCOMPARE(deletes.count(), 1);
        QCOMPARE(deletes.first().first().toString(), u"p2"_s);
        QTRY_VERIFY(!menu->property("visible").toBool());

        LIRNA_RIGHT_CLICK(row);
        QTRY_VERIFY(menu->property("opened").toBool());
        UiTest::saveScreenshot(window, u"sidebar-playlist-menu.png"_s);
    }
};

QTEST_MAIN(TestPlaylistMenus)
#include "tst_PlaylistMenus.moc"
