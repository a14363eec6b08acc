// LIRNA_TEST_NEEDS_QML
#include <QDir>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QPalette>
#include <QQuickItem>
#include <QQuickStyle>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Downloads/DownloadStore.h"
#include "Downloads/DownloadsViewModel.h"
#include "Helpers/Await.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "LoopbackRelay.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "Platform/QueuePlayer.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The playlist this suite creates; a leftover of an aborted run is removed first.
const QString PlaylistName = u"Downloads page list"_s;

} // namespace

// The downloads page on supysonic: an album and a playlist downloaded through
// the store show with their sizes, the album plays from disk while the server
// is unreachable, and removing both leaves the empty page. The server is cut
// off through a relay, never stopped, since the other suites share it.
class TestIntegrationDownloadsPage : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    SubsonicClient m_client;
    QmlWarningGuard m_warnings;

    void removeLeftovers() { deletePlaylistsNamed(m_client, {PlaylistName}); }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Fusion"_s);
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_client = SubsonicClient(m_server->config(0), new UrlSession(m_manager, 15'000));
        removeLeftovers();
        m_warnings.install();
    }

    void cleanupTestCase()
    {
        if (m_server)
            removeLeftovers();
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void downloadPlayOfflineAndRemove()
    {
        const QHash<QString, Album> albums = albumsByName(m_client);
        const Album copper = albums.value(u"Copper Hours"_s);
        QCOMPARE(copper.song.value_or(QList<Song>()).size(), 4);
        // One song of four albums: the playlist's artwork is a collage.
        QStringList songIds;
        for (const QString &name :
            {u"First Light"_s, u"Tidal Works"_s, u"Night Psalms"_s, u"Harbour Lights Sampler"_s})
            songIds.append(albums.value(name).song.value_or(QList<Song>()).value(0).id);
        QVERIFY(!songIds.contains(QString()));
        const QString playlistId = createPlaylistNamed(m_client, PlaylistName);
        QVERIFY(!playlistId.isEmpty());
        TestAwait::await(m_client.updatePlaylist(playlistId, std::nullopt, songIds, {}));

        LoopbackRelay relay(m_server->url());
        QVERIFY(relay.isListening());
        ServerConfig config = m_server->config(0);
        config.baseURL = relay.url();
        QStandardPaths::setTestModeEnabled(true);
        QDir(DownloadStore::directory(config)).removeRecursively();

        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 720), config));
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Downloads)));
        QVERIFY(page);
        // Covers come through the relay, then from the download folder.
        ArtworkClient artwork;
        artwork.setClient(SubsonicClient(config, new UrlSession(m_manager, 15'000)));
        ArtworkClient::setCurrent(&artwork);
        const auto restore = qScopeGuard([] { ArtworkClient::setCurrent(nullptr); });
        auto *vm = page->property("viewModel").value<DownloadsViewModel *>();
        QVERIFY(vm && vm->isEmpty());

        DownloadStore *downloads = harness.downloads();
        downloads->downloadAlbum(copper);
        downloads->downloadPlaylist(playlistId, PlaylistName);
        QTRY_VERIFY_WITH_TIMEOUT(
            downloads->manifest().collections.size() == 2 && !downloads->isBusy(), 60'000);
        QVERIFY(downloads->active().isEmpty());

        // Both tiles, with the space each takes and the total below.
        const QString albumKey = u"album:"_s + copper.id;
        const QString playlistKey = u"playlist:"_s + playlistId;
        const DownloadManifest &manifest = downloads->manifest();
        QVERIFY(manifest.bytes(albumKey) > 0 && manifest.bytes(playlistKey) > 0);
        QQuickItem *albumTile
            = UiTest::findItem(UiTest::findItem(page, u"albumsSection"_s), u"downloadedCollection"_s);
        QQuickItem *playlistTile
            = UiTest::findItem(UiTest::findItem(page, u"playlistsSection"_s), u"downloadedCollection"_s);
        QVERIFY(albumTile && albumTile->isVisible());
        QVERIFY(playlistTile && playlistTile->isVisible());
        QCOMPARE(UiTest::findItem(albumTile, u"collectionDetail"_s)->property("text").toString(),
            DownloadsContent::songsLine(4, manifest.bytes(albumKey)));
        QCOMPARE(UiTest::findItem(playlistTile, u"collectionDetail"_s)->property("text").toString(),
            DownloadsContent::songsLine(4, manifest.bytes(playlistKey)));
        QCOMPARE(UiTest::findItem(page, u"downloadsSummary"_s)->property("text").toString(),
            DownloadsContent::summaryLine(2, manifest.totalBytes()));
        QTRY_VERIFY_WITH_TIMEOUT(UiTest::findItem(playlistTile, u"collageCover"_s), 10'000);
        QTest::qWait(500);
        UiTest::saveScreenshot(harness.window(), u"integration-downloads-light.png"_s);
        const QPalette light = QGuiApplication::palette();
        QGuiApplication::setPalette(UiTest::darkPalette());
        harness.window()->setColor(UiTest::darkPalette().color(QPalette::Base));
        QTest::qWait(200);
        UiTest::saveScreenshot(harness.window(), u"integration-downloads-dark.png"_s);
        QGuiApplication::setPalette(light);
        harness.window()->setColor(Qt::white);

        // The server goes away: the album still plays, every song from its file.
        relay.setDown(true);
        QTest::mouseMove(
            harness.window(), albumTile->mapToScene(QPointF(albumTile->width() / 2, 40)).toPoint());
        QQuickItem *playButton = UiTest::findItem(albumTile, u"collectionPlayButton"_s);
        QTRY_COMPARE(playButton->opacity(), 1.0);
        LIRNA_CLICK(playButton);
        PlayerController *player = harness.player();
        QCOMPARE(player->queue(), downloads->localAlbum(copper.id)->song.value());
        QCOMPARE(player->currentSong()->title, u"Verdigris"_s);
        QVERIFY(player->source() == PlaybackSource::album(copper.id, u"Copper Hours"_s));
        QTRY_VERIFY(!player->player()->items().isEmpty());
        for (const QueuePlayerItemPtr &item : player->player()->items())
            QVERIFY2(item->url().isLocalFile(), qPrintable(item->url().toString()));
        QVERIFY(player->isPlaying());
        player->stop();

        // "Remove Download" on each tile; after the last the page says how
        // to make one, and nothing is left on disk.
        for (QQuickItem *tile : {albumTile, playlistTile}) {
            LIRNA_RIGHT_CLICK(tile);
            QQuickItem *remove = nullptr;
            QTRY_VERIFY((remove = UiTest::findVisibleItem(harness.window(), u"removeDownloadEntry"_s)));
            LIRNA_CLICK(remove);
            QTRY_VERIFY(!UiTest::findVisibleItem(harness.window(), u"removeDownloadEntry"_s));
        }
        QTRY_VERIFY(vm->isEmpty());
        QVERIFY(downloads->manifest().songs.isEmpty());
        QTRY_VERIFY(UiTest::findItem(page, u"downloadsEmptyState"_s)->isVisible());
        QTRY_VERIFY(!downloads->isBusy());
        const QStringList left = QDir(downloads->directory()).entryList(QDir::Files);
        QCOMPARE(left, QStringList {u"manifest.json"_s});
        UiTest::saveScreenshot(harness.window(), u"integration-downloads-empty.png"_s);
    }
};

QTEST_MAIN(TestIntegrationDownloadsPage)
#include "tst_IntegrationDownloadsPage.moc"
