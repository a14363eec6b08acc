#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"
#include "Platform/GstQueuePlayer.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

// The playback engine on supysonic: an album fetched and played from the
// server's streams, into a clock-synchronised fakesink.
class TestIntegrationPlayerController : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QTemporaryDir m_home;
    QNetworkAccessManager *m_manager = nullptr;
    SubsonicClient m_client;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_client = SubsonicClient(m_server->config(0), new UrlSession(m_manager, 15'000));
    }

    void playsAnAlbumFromTheServer()
    {
        const QList<Album> albums
            = TestAwait::await(m_client.albums(AlbumListType::AlphabeticalByName, 50, 0));
        const auto found = std::find_if(
            albums.begin(), albums.end(), [](const Album &album) { return album.name == u"Tidal Works"_s; });
        QVERIFY(found != albums.end());
        Album album = *found;
        album.name = u"Shown Name"_s; // the source names the album as it was passed in

        PlayerController engine(new GstQueuePlayer(u"fakesink sync=true"_s));
        engine.playAlbum(album, m_client, 1, false);
        QTRY_COMPARE_WITH_TIMEOUT(engine.queue().size(), 6, 10'000);
        QCOMPARE(engine.source(), PlaybackSource::album(album.id, u"Shown Name"_s));
        QCOMPARE(engine.currentSong()->title, u"Salt Lines"_s);
        QVERIFY(engine.isPlaying());

        // It plays, with the length the stream reports; near its end it moves on.
        QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.4, 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(engine.duration() - 3.0) < 0.1, 10'000);
        engine.seek(2.5);
        QTRY_COMPARE_WITH_TIMEOUT(engine.currentSong()->title, u"Neap"_s, 10'000);
        QVERIFY(engine.isPlaying());
        QVERIFY(engine.currentTime() < 2.0);
        engine.stop();
        QVERIFY(engine.queue().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIntegrationPlayerController)
#include "tst_IntegrationPlayerController.moc"
