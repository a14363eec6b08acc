// LIRNA_TEST_NEEDS_SESSION_BUS: the engine is driven from another process.
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Platform/MprisService.h"
#include "Playback/PlayerController.h"

using namespace Qt::StringLiterals;

// The desktop's side of the engine: what another process reads on the bus and
// what its commands do.
class tst_PlayerControllerMpris : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_settingsDir;
    TestHttpServer m_server;
    SubsonicClient m_client;

    static QString busCall(const QStringList &call)
    {
        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(u"dbus-send"_s,
            QStringList {u"--session"_s, u"--print-reply"_s, u"--dest=org.mpris.MediaPlayer2.lirna"_s,
                u"/org/mpris/MediaPlayer2"_s}
                + call);
        if (!finished.wait(10000))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    }

    static QString property(const QString &name)
    {
        return busCall({u"org.freedesktop.DBus.Properties.Get"_s, u"string:org.mpris.MediaPlayer2.Player"_s,
            u"string:"_s + name});
    }

    static QString command(const QString &name, const QStringList &arguments = {})
    {
        return busCall(QStringList {u"org.mpris.MediaPlayer2.Player."_s + name} + arguments);
    }

    static Song song(int n)
    {
        Song s;
        s.id = u"s%1"_s.arg(n);
        s.title = u"Song %1"_s.arg(n);
        s.artist = u"Artist %1"_s.arg(n);
        s.album = u"Album"_s;
        s.duration = 300;
        s.coverArt = u"cover-%1"_s.arg(n);
        return s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs a private session bus (run through ctest)");
        // A home of its own: tests running beside it clear the shared test folders.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QCoreApplication::setOrganizationName(u"LirnaTest"_s);
        QCoreApplication::setApplicationName(u"PlayerControllerMpris"_s);

        QImage cover(32, 32, QImage::Format_RGB32);
        cover.fill(Qt::darkGreen);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        cover.save(&buffer, "PNG");
        TestHttpServer::Response image;
        image.body = png;
        image.contentType = "image/png";
        m_server.setResponse("/rest/getCoverArt", image);
        m_server.setDefaultResponse(TestHttpServer::ok());
        QVERIFY(m_server.listen());
        m_client = SubsonicClient(
            ServerConfig {m_server.baseUrl(), u"alice"_s, u"secret"_s}, UrlSession::shared());
    }

    void desktopSeesAndDrivesTheEngine()
    {
        auto *player = new FakeQueuePlayer;
        auto *service = new MprisService;
        PlayerController engine(player, service, nullptr);
        QCOMPARE(service->serviceName(), u"org.mpris.MediaPlayer2.lirna"_s);

        engine.play({song(1), song(2), song(3)}, m_client, 0, std::nullopt);
        QTRY_VERIFY(!service->artworkPath().isEmpty());

        QVERIFY(property(u"PlaybackStatus"_s).contains(u"\"Playing\""_s));
        const QString metadata = property(u"Metadata"_s);
        QVERIFY2(metadata.contains(u"\"Song 1\""_s), qPrintable(metadata));
        QVERIFY(metadata.contains(u"\"Artist 1\""_s));
        QVERIFY(metadata.contains(u"int64 300000000"_s));
        const qsizetype at = metadata.indexOf(u"file://"_s);
        QVERIFY(at >= 0);
        const QString path = QUrl(metadata.mid(at, metadata.indexOf(u'"', at) - at)).toLocalFile();
        QCOMPARE(QImage(path).size(), QSize(32, 32));
        // The signed server URL never reaches the bus.
        QVERIFY(!metadata.contains(u"getCoverArt"_s));
        QVERIFY(!metadata.contains(m_server.baseUrl().toString()));

        command(u"PlayPause"_s);
        QTRY_VERIFY(!engine.isPlaying());
        QVERIFY(property(u"PlaybackStatus"_s).contains(u"\"Paused\""_s));
        command(u"Play"_s);
        QTRY_VERIFY(engine.isPlaying());

        command(u"Next"_s);
        QTRY_COMPARE(engine.currentIndex(), 1);
        QTRY_VERIFY(property(u"Metadata"_s).contains(u"\"Song 2\""_s));

        const QString track = u"objpath:"_s + MprisService::trackId(u"s2"_s).path();
        command(u"SetPosition"_s, {track, u"int64:120000000"_s});
        QTRY_COMPARE(engine.currentTime(), 120.0);
        QCOMPARE(player->seeks.last(), 120.0);
        QVERIFY(property(u"Position"_s).contains(u"int64 120000000"_s));

        command(u"Previous"_s); // past 3 s: back to the start of the song
        QTRY_COMPARE(engine.currentTime(), 0.0);
        QCOMPARE(engine.currentIndex(), 1);

        engine.setVolume(0.5f);
        QVERIFY(property(u"Volume"_s).contains(u"double 0.5"_s));

        engine.stop();
        QVERIFY(property(u"PlaybackStatus"_s).contains(u"\"Stopped\""_s));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(tst_PlayerControllerMpris)
#include "tst_PlayerControllerMpris.moc"
