// LIRNA_TEST_NEEDS_QML
#include <QGuiApplication>
#include <QPalette>
#include <QQuickItem>
#include <QTcpServer>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Albums/AlbumDetailViewModel.h"
#include "Albums/AlbumTrackListModel.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

int countVisible(QQuickItem *item, const QString &name)
{
    int n = item->isVisible() && item->objectName() == name ? 1 : 0;
    for (QQuickItem *child : item->childItems())
        n += countVisible(child, name);
    return n;
}

} // namespace

// The album page in the main window on supysonic's library: opened through
// a push, as the grids and the playback bar open it.
class TestIntegrationAlbumPage : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QmlWarningGuard m_warnings;

    // The library's album named `name`.
    Album albumNamed(const QString &name)
    {
        QNetworkAccessManager manager;
        UrlSession session(&manager, 10000);
        const SubsonicClient client(m_server->config(), &session);
        const QList<Album> albums = TestAwait::await(client.albums(AlbumListType::AlphabeticalByName, 50, 0));
        for (const Album &album : albums) {
            if (album.name == name)
                return album;
        }
        return {};
    }

    // The main window with `album` pushed; its page once shown.
    static QQuickItem *openAlbum(PageHarness &harness, const Album &album)
    {
        if (!harness.loadMainView() || !harness.waitForPage(u"HomeView"_s))
            return nullptr;
        harness.main()->navigation()->push(album);
        return harness.waitForPage(u"AlbumDetailView"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_warnings.install();
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void twoDiscAlbum()
    {
        const Album album = albumNamed(u"Tidal Works"_s);
        QVERIFY(!album.id.isEmpty());
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 760), m_server->config()));
        QQuickItem *page = openAlbum(harness, album);
        QVERIFY(page);
        harness.window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(harness.window()));
        auto *vm = page->property("viewModel").value<AlbumDetailViewModel *>();
        QTRY_VERIFY(!vm->loading());
        QVERIFY(vm->errorMessage().isEmpty());
        QQuickItem *list = UiTest::findItem(page, u"trackList"_s);
        QTRY_COMPARE(list->property("count").toInt(), 6);
        QTRY_COMPARE(countVisible(list, u"discHeader"_s), 2);
        QCOMPARE(vm->metadataLine().left(4), u"2021"_s);
        UiTest::saveScreenshot(harness.window(), u"album-page-light.png"_s);

        // A double click on the second disc's first song plays the album
        // from there, in the server's order.
        QQuickItem *row = UiTest::itemAtIndex(list, 3);
        QVERIFY(row);
        QCOMPARE(row->property("title").toString(), u"Spring Tide"_s);
        const QPointF centre = row->mapToScene(QPointF(row->width() / 2, row->height() / 2));
        QTest::mouseDClick(harness.window(), Qt::LeftButton, {}, centre.toPoint());
        PlayerController *player = harness.player();
        QTRY_COMPARE(player->queue(), vm->songs());
        QCOMPARE(player->currentSong()->title, u"Spring Tide"_s);
        QVERIFY(player->source() == PlaybackSource::album(album.id, album.name));
        QTRY_VERIFY(row->property("current").toBool());
        QVERIFY(row->property("selected").toBool());

        // ↓ moves the selection to the next row; Return plays it.
        QTest::keyClick(harness.window(), Qt::Key_Down);
        QCOMPARE(vm->selectedRow(), 4);
        QTest::keyClick(harness.window(), Qt::Key_Return);
        QTRY_COMPARE(player->currentSong()->title, u"Breakwater"_s);

        // Play in the header starts the album; the space bar then pauses it
        // where it is instead of pressing Play once more.
        LIRNA_CLICK(UiTest::findItem(page, u"playButton"_s));
        QTRY_COMPARE(player->currentIndex(), std::optional<int>(0));
        QVERIFY(player->isPlaying());
        player->next();
        QTest::keyClick(harness.window(), Qt::Key_Space);
        QTRY_VERIFY(!player->isPlaying());
        QCOMPARE(player->currentIndex(), std::optional<int>(1));

        const QPalette light = QGuiApplication::palette();
        QGuiApplication::setPalette(UiTest::darkPalette());
        QTest::qWait(100);
        UiTest::saveScreenshot(harness.window(), u"album-page-dark.png"_s);
        QGuiApplication::setPalette(light);
    }

    // The header menu offers the album's download; a track's menu adds the
    // track to a playlist on the server, deleted again afterwards.
    void menus()
    {
        QNetworkAccessManager manager;
        UrlSession session(&manager, 10000);
        const SubsonicClient client(m_server->config(), &session);
        const QString name = u"Album page menu list"_s;
        const ScratchPlaylist playlist(client, name);
        QVERIFY(!playlist.id().isEmpty());

        const Album album = albumNamed(u"Tidal Works"_s);
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 760), m_server->config()));
        harness.library()->ensurePlaylistsLoaded();
        harness.main()->navigation()->popTo(0); // not the place the last test left
        QQuickItem *page = openAlbum(harness, album);
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<AlbumDetailViewModel *>();
        QTRY_VERIFY(!vm->loading());
        QTRY_VERIFY(harness.library()->playlistsLoaded());

        QObject *albumMenu = page->findChild<QObject *>(u"albumMenu"_s);
        LIRNA_CLICK(UiTest::findItem(page, u"albumMenuButton"_s));
        QTRY_VERIFY(albumMenu->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(albumMenu),
            (QStringList {u"Play Next"_s, u"Play Last"_s, QString(), u"Like Album"_s, u"Download"_s}));
        QMetaObject::invokeMethod(albumMenu, "dismiss");
        QTRY_VERIFY(!albumMenu->property("visible").toBool());

        QQuickItem *list = UiTest::findItem(page, u"trackList"_s);
        QTRY_VERIFY(UiTest::itemAtIndex(list, 1));
        QObject *rowMenu = page->findChild<QObject *>(u"rowMenu"_s);
        LIRNA_RIGHT_CLICK(UiTest::itemAtIndex(list, 1));
        QTRY_VERIFY(rowMenu->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(rowMenu),
            (QStringList {u"Play Next"_s, u"Play Last"_s, QString(), u"Like"_s, u"Add to Playlist"_s}));
        LIRNA_CLICK(UiTest::menuItem(rowMenu, u"Add to Playlist"_s));
        QObject *addMenu = page->findChild<QObject *>(u"rowPlaylistMenu"_s);
        QTRY_VERIFY(addMenu->property("opened").toBool());
        UiTest::saveScreenshot(harness.window(), u"album-page-row-menu.png"_s);
        QQuickItem *target = UiTest::menuItem(addMenu, name);
        QVERIFY(target);
        LIRNA_CLICK(target);
        const QString songId = vm->tracks()->recordAt(1)->id;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QList<Song> held
                    = TestAwait::await(client.playlist(playlist.id())).entry.value_or(QList<Song>());
                return held.size() == 1 && held.first().id == songId;
            }(),
            10'000);
    }

    // Nothing answers and nothing is downloaded: the failure, no actions.
    void unreachableServer()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl url(u"http://127.0.0.1:%1"_s.arg(closed.serverPort()));
        closed.close();
        Album album;
        album.id = u"al-missing"_s;
        album.name = u"<b>Unreachable</b>"_s;
        album.artist = u"Aster Vale"_s;
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 600), ServerConfig {url, u"ann"_s, u"pw"_s}));
        QQuickItem *page = openAlbum(harness, album);
        QVERIFY(page);
        QQuickItem *failure = UiTest::findItem(page, u"failureState"_s);
        QTRY_VERIFY(failure->isVisible());
        QVERIFY(!UiTest::findItem(page, u"failureMessage"_s)->property("text").toString().isEmpty());
        QVERIFY(!UiTest::findItem(page, u"playButton"_s)->isEnabled());
        QVERIFY(!UiTest::findItem(page, u"albumMenuButton"_s)->isEnabled());
        QCOMPARE(
            UiTest::findItem(page, u"albumTitle"_s)->property("text").toString(), u"<b>Unreachable</b>"_s);
        UiTest::saveScreenshot(harness.window(), u"album-page-failed.png"_s);
    }
};

QTEST_MAIN(TestIntegrationAlbumPage)
#include "tst_IntegrationAlbumPage.moc"
