#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <cmath>

#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"
#include "Platform/GstQueuePlayer.h"

using namespace Qt::StringLiterals;

// The GStreamer queue player on supysonic's "stream" answers (through the
// token shim), decoding into a clock-synchronised fakesink.
class TestIntegrationPlayback : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QHash<QString, Song> m_songs; // by title

    QUrl streamURL(const QString &title) const
    {
        return m_client.url(u"stream"_s, {{u"id"_s, m_songs.value(title).id}});
    }
    static QueuePlayerItemPtr item(const QUrl &url) { return std::make_shared<QueuePlayerItem>(url); }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        const QList<Song> songs = TestAwait::await(m_client.songs(100, 0));
        for (const Song &song : songs)
            m_songs.insert(song.title, song);
        QVERIFY(m_songs.contains(u"Dawn Chorus"_s));
    }

    void streamsPlayOneAfterTheOther()
    {
        GstQueuePlayer player(u"fakesink sync=true"_s);
        const QueuePlayerItemPtr mp3 = item(streamURL(u"Dawn Chorus"_s));
        const QueuePlayerItemPtr flac = item(streamURL(u"Spring Tide"_s));
        player.insert(mp3, {});
        player.insert(flac, mp3);
        QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
        QElapsedTimer clock;
        clock.start();
        player.play();

        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 15'000);
        QCOMPARE(ended.at(0).first().value<QueuePlayerItemPtr>(), mp3);
        QCOMPARE(ended.at(1).first().value<QueuePlayerItemPtr>(), flac);
        QCOMPARE(flac->status(), QueuePlayerItem::Status::ReadyToPlay);
        QVERIFY2(std::abs(flac->duration() - 3.0) < 0.1, qPrintable(QString::number(flac->duration())));
        // Two three-second songs, played in real time.
        QVERIFY2(clock.elapsed() > 5500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(player.items().isEmpty());
    }

    void seeksInAStreamWhilePaused()
    {
        // supysonic serves byte ranges: the stream can be sought like a file.
        GstQueuePlayer player(u"fakesink sync=true"_s);
        const QueuePlayerItemPtr flac = item(streamURL(u"Undertow"_s));
        player.insert(flac, {});
        QTRY_COMPARE_WITH_TIMEOUT(flac->status(), QueuePlayerItem::Status::ReadyToPlay, 10'000);
        player.seek(2.0);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(player.currentTime() - 2.0) < 0.01, 10'000);

        QSignalSpy ended(&player, &QueuePlayer::itemDidPlayToEnd);
        QElapsedTimer clock;
        clock.start();
        player.play();
        QVERIFY(ended.wait(10'000));
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    }

    void refusedStreamsFail_data()
    {
        QTest::addColumn<QString>("passwordSuffix");
        QTest::addColumn<bool>("unknownSong");
        // supysonic answers both with a Subsonic error inside an HTTP 200 answer.
        QTest::newRow("wrong password") << u"x"_s << false;
        QTest::newRow("unknown song") << QString() << true;
    }

    void refusedStreamsFail()
    {
        QFETCH(QString, passwordSuffix);
        QFETCH(bool, unknownSong);

        ServerConfig config = m_server->config(0);
        config.password += passwordSuffix;
        const SubsonicClient client(config, m_session);
        const QString id = unknownSong ? QUuid::createUuid().toString(QUuid::WithoutBraces)
                                       : m_songs.value(u"Matins"_s).id;

        GstQueuePlayer player(u"fakesink sync=true"_s);
        const QueuePlayerItemPtr refused = item(client.url(u"stream"_s, {{u"id"_s, id}}));
        player.insert(refused, {});
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(refused->status(), QueuePlayerItem::Status::Failed, 10'000);
    }
};

QTEST_GUILESS_MAIN(TestIntegrationPlayback)
#include "tst_IntegrationPlayback.moc"
