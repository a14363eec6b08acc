#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Playback/PlayReporter.h"

using namespace Qt::StringLiterals;

class tst_PlayReporter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    TestHttpServer m_server;

    SubsonicClient m_client;

    static Song song(const QString &id, std::optional<qint64> duration)
    {
        Song s;
        s.id = id;
        s.title = u"Title of "_s + id;
        s.duration = duration;
        return s;
    }

    // The reports the server received, as "id:submission".
    QStringList reports() const
    {
        QStringList list;
        for (const TestHttpServer::Request &request : m_server.requests()) {
            if (request.path() == "/rest/scrobble")
                list.append(request.queryValue(u"id"_s) + u':' + request.queryValue(u"submission"_s));
        }
        return list;
    }

    // Gives a report that was (wrongly) sent the time to arrive.
    void settle() { QTest::qWait(100); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QCoreApplication::setOrganizationName(u"LirnaTest"_s);
        QCoreApplication::setApplicationName(u"PlayReporter"_s);
        QVERIFY(m_server.listen());
        m_server.setDefaultResponse(TestHttpServer::ok());
        m_client
            = SubsonicClient(ServerConfig {m_server.baseUrl(), u"ann"_s, u"secret"_s}, UrlSession::shared());
    }

    void init()
    {
        QSettings().clear();
        m_server.clearRequests();
    }

    void threshold_data()
    {
        QTest::addColumn<std::optional<qint64>>("duration");
        QTest::addColumn<double>("expected");
        QTest::newRow("91 s") << std::optional<qint64>(91) << 45.5;
        QTest::newRow("30 s") << std::optional<qint64>(30) << 15.0;
        QTest::newRow("480 s") << std::optional<qint64>(480) << 240.0;
        QTest::newRow("20 min") << std::optional<qint64>(1200) << 240.0;
        QTest::newRow("1 s") << std::optional<qint64>(1) << 0.5;
        QTest::newRow("zero") << std::optional<qint64>(0) << 240.0;
        QTest::newRow("negative") << std::optional<qint64>(-10) << 240.0;
        QTest::newRow("unknown") << std::optional<qint64>() << 240.0;
    }

    void threshold()
    {
        QFETCH(std::optional<qint64>, duration);
        QFETCH(double, expected);
        QCOMPARE(PlayReporter::threshold(song(u"s"_s, duration)), expected);
    }

    void scrobbleEnabled_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("expected");
        QTest::newRow("absent") << QVariant() << true;
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("text false") << QVariant(u"false"_s) << false;
        QTest::newRow("text true") << QVariant(u"true"_s) << true;
        QTest::newRow("garbage") << QVariant(u"maybe"_s) << true;
        QTest::newRow("number") << QVariant(0) << true;
    }

    void scrobbleEnabled()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, expected);
        if (value.isValid())
            QSettings().setValue(u"scrobbleEnabled"_s, value);
        QCOMPARE(PlayReporter::scrobbleEnabled(), expected);
    }

    void noSubmissionForAStartPastTheThreshold_data()
    {
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("start");
        QTest::addColumn<bool>("submitted");
        QTest::newRow("resumed at 300 s of 10 min") << qint64(600) << 300.0 << false;
        QTest::newRow("at the threshold") << qint64(300) << 150.0 << false;
        QTest::newRow("just before") << qint64(300) << 149.5 << true;
    }

    void noSubmissionForAStartPastTheThreshold()
    {
        QFETCH(qint64, duration);
        QFETCH(double, start);
        QFETCH(bool, submitted);
        PlayReporter reporter;
        const Song s = song(u"a"_s, duration);
        reporter.beganTrack(s, start);
        reporter.maybeSubmitScrobble(true, start + 1, &s, &m_client);
        settle();
        QCOMPARE(reports().size(), submitted ? 1 : 0);
    }

    // Nothing is reported while reporting is switched off, nor without a
    // song or a client; switched on again, the running track still is.
    void reportsNothingWithoutItsParts_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("withSong");
        QTest::addColumn<bool>("withClient");
        QTest::newRow("switched off") << false << true << true;
        QTest::newRow("no song") << true << false << true;
        QTest::newRow("no client") << true << true << false;
    }

    void reportsNothingWithoutItsParts()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, withSong);
        QFETCH(bool, withClient);
        QSettings().setValue(u"scrobbleEnabled"_s, enabled);
        PlayReporter reporter;
        const Song s = song(u"a"_s, 100);
        reporter.beganTrack(s, 0);
        const Song *played = withSong ? &s : nullptr;
        const SubsonicClient *client = withClient ? &m_client : nullptr;
        reporter.reportNowPlaying(played, client);
        reporter.maybeSubmitScrobble(true, 60, played, client);
        settle();
        QCOMPARE(reports(), QStringList {});
        QVERIFY(!reporter.didReportNowPlaying());
        QVERIFY(!reporter.didSubmitScrobble());

        QSettings().setValue(u"scrobbleEnabled"_s, true);
        reporter.reportNowPlaying(&s, &m_client);
        reporter.maybeSubmitScrobble(true, 60, &s, &m_client);
        QTRY_COMPARE(reports().size(), 2);
    }

    void aFailedReportIsNotRetried()
    {
        m_server.setResponse("/rest/scrobble", TestHttpServer::failed(0, "boom"));
        PlayReporter reporter;
        const Song s = song(u"a"_s, 100);
        reporter.beganTrack(s, 0);
        reporter.reportNowPlaying(&s, &m_client);
        QTRY_COMPARE(reports().size(), 1);
        reporter.reportNowPlaying(&s, &m_client);
        settle();
        QCOMPARE(reports().size(), 1);
        QVERIFY(reporter.didReportNowPlaying());
        m_server.setResponse("/rest/scrobble", TestHttpServer::ok());
    }
};

QTEST_GUILESS_MAIN(tst_PlayReporter)
#include "tst_PlayReporter.moc"
