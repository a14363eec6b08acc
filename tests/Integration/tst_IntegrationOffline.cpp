#include <QDir>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Downloads/DownloadStore.h"
#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"
#include "Platform/GstQueuePlayer.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

// Downloads and playback together: what the download store fetched from
// supysonic, the engine plays from disk; everything else from the stream.
class TestIntegrationOffline : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    SubsonicClient m_client;
    QHash<QString, Album> m_albums; // by name, with songs

    static bool settle(DownloadStore &store)
    {
        return QTest::qWaitFor([&store] { return !store.isBusy(); }, 30'000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_manager = new QNetworkAccessManager(this);
        m_client = SubsonicClient(m_server->config(0), new UrlSession(m_manager, 15'000));
        m_albums = albumsByName(m_client);
    }

    void downloadedSongsPlayFromDisk()
    {
        const Album copper = m_albums.value(u"Copper Hours"_s);
        const Song downloaded = copper.song->last();
        const Song streamed = m_albums.value(u"Night Psalms"_s).song->first();

        DownloadStore store(m_client);
        store.downloadAlbum(copper);
        QVERIFY(settle(store));
        const std::optional<QUrl> local = DownloadStore::localFileURL(downloaded, m_client.config());
        QVERIFY(local && local->isLocalFile());

        auto *player = new GstQueuePlayer(u"fakesink sync=true"_s);
        PlayerController engine(player);
        engine.play({downloaded, streamed}, m_client, 0, std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(player->items().size(), 2, 10'000);
        QCOMPARE(player->items().at(0)->url(), *local);
        const QUrl next = player->items().at(1)->url();
        QCOMPARE(next.scheme(), u"http"_s);
        QCOMPARE(next.path(), u"/rest/stream"_s);

        // The file plays; at its end the stream takes over.
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.3, 10'000);
        engine.seek(2.5);
        QTRY_COMPARE_WITH_TIMEOUT(engine.currentSong()->id, streamed.id, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.3, 10'000);
        QVERIFY(engine.isPlaying());
        engine.stop();

        // Once the download is gone the same song comes from the server again.
        store.removeAll();
        QVERIFY(settle(store));
        engine.play({downloaded}, m_client, 0, std::nullopt);
        QTRY_COMPARE_WITH_TIMEOUT(player->items().size(), 1, 10'000);
        QCOMPARE(player->items().first()->url().path(), u"/rest/stream"_s);
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.3, 10'000);
        engine.stop();
    }
};

QTEST_GUILESS_MAIN(TestIntegrationOffline)
#include "tst_IntegrationOffline.moc"
