#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/TestHttpServer.h"
#include "Helpers/Tone.h"
#include "Networking/UrlSession.h"
#include "Platform/GstQueuePlayer.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

// The engine on the real GStreamer player: streams from a loopback server and
// downloaded files, one-second tones into a clock-synchronised fakesink.
class tst_PlayerControllerPlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void playsTheQueueThroughToItsEnd();
    void failingStreamStopsPlaying();

private:
    static Song song(const QString &id);
    QByteArray tone(int frequency);

    QTemporaryDir m_dir;
    QTemporaryDir m_home;
    TestHttpServer m_server;
    SubsonicClient m_client;
    QHash<QString, QByteArray> m_streams;
};

Song tst_PlayerControllerPlayback::song(const QString &id)
{
    Song s;
    s.id = id;
    s.title = id;
    s.duration = 1;
    s.suffix = u"wav"_s;
    return s;
}

QByteArray tst_PlayerControllerPlayback::tone(int frequency)
{
    QFile file(writeTone(m_dir.filePath(u"%1.wav"_s.arg(frequency)), 1, frequency));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("sox failed");
    return file.readAll();
}

void tst_PlayerControllerPlayback::initTestCase()
{
    // A home of our own: other tests clear the shared test folders meanwhile.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    // No play reports among the requests this test looks at.
    QSettings().setValue(u"scrobbleEnabled"_s, false);
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.listen());
    m_streams.insert(u"s1"_s, tone(440));
    m_streams.insert(u"s2"_s, tone(550));
    m_server.setHandler([this](const TestHttpServer::Request &request) {
        TestHttpServer::Response response;
        const auto body = m_streams.constFind(request.queryValue(u"id"_s));
        if (request.path() != "/rest/stream" || body == m_streams.cend())
            return TestHttpServer::json("{}", 404);
        response.body = *body;
        response.contentType = "audio/x-wav";
        response.supportRanges = true;
        return response;
    });
    auto *manager = new QNetworkAccessManager(this);
    m_client
        = SubsonicClient(ServerConfig {m_server.baseUrl(), u"alice"_s, u"secret"_s}, new UrlSession(manager));
}

void tst_PlayerControllerPlayback::cleanup()
{
    QDir(DownloadStore::directory(m_client.config())).removeRecursively();
}

void tst_PlayerControllerPlayback::playsTheQueueThroughToItsEnd()
{
    // The third song is downloaded and never streamed.
    const QString folder = DownloadStore::directory(m_client.config());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(
        m_dir.filePath(u"440.wav"_s), QDir(folder).filePath(DownloadStore::songFileName(u"s3"_s, u"wav"_s))));

    PlayerController engine(new GstQueuePlayer(u"fakesink sync=true"_s));
    QList<int> indexes;
    connect(&engine, &PlayerController::currentIndexChanged, this,
        [&] { indexes.append(engine.currentIndexOrNone()); });
    m_server.clearRequests();
    engine.play({song(u"s1"_s), song(u"s2"_s), song(u"s3"_s)}, m_client, 0, std::nullopt);
    QVERIFY(engine.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(engine.currentTime() > 0.2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(engine.currentIndex(), 1, 20000);
    QVERIFY(engine.currentTime() < 0.9);
    QTRY_COMPARE_WITH_TIMEOUT(engine.currentIndex(), 2, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(engine.queue().isEmpty(), 20000);
    QVERIFY(!engine.isPlaying());
    QCOMPARE(indexes, (QList<int> {0, 1, 2, -1}));
    for (const TestHttpServer::Request &request : m_server.requests())
        QVERIFY(request.queryValue(u"id"_s) != u"s3"_s);
}

void tst_PlayerControllerPlayback::failingStreamStopsPlaying()
{
    PlayerController engine(new GstQueuePlayer(u"fakesink sync=true"_s));
    engine.play({song(u"missing"_s), song(u"s1"_s)}, m_client, 0, std::nullopt);
    QVERIFY(engine.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isPlaying(), 20000);
    QCOMPARE(engine.currentIndex(), 0);
    // The user moves on by hand.
    engine.next();
    QVERIFY(engine.isPlaying());
    QCOMPARE(engine.currentIndex(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(engine.queue().size(), 0, 20000);

    // A preloaded stream that fails: the song before it plays to its end.
    engine.play({song(u"s1"_s), song(u"missing"_s)}, m_client, 0, std::nullopt);
    QTRY_COMPARE_WITH_TIMEOUT(engine.currentIndex(), 1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.isPlaying(), 20000);
    QCOMPARE(engine.queue().size(), 2);
}

QTEST_GUILESS_MAIN(tst_PlayerControllerPlayback)
#include "tst_PlayerControllerPlayback.moc"
