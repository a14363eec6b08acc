#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Platform/Updater.h"
#include "Updates/UpdaterModel.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray appcast(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Lirna</title>"
        + items + "</channel></rss>";
}

QByteArray item(const QByteArray &version, const QByteArray &url, const QByteArray &shortVersion = {})
{
    QByteArray enclosure = "<enclosure url=\"" + url + "\" sparkle:version=\"" + version + '"';
    if (!shortVersion.isEmpty())
        enclosure += " sparkle:shortVersionString=\"" + shortVersion + '"';
    return "<item><title>Version " + version + "</title>" + enclosure
        + " length=\"1\" type=\"application/octet-stream\"/></item>";
}

TestHttpServer::Response feed(const QByteArray &body)
{
    TestHttpServer::Response r;
    r.body = body;
    r.contentType = "application/rss+xml";
    return r;
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;

    QUrl feedUrl() const { return QUrl(m_server.baseUrl().toString() + u"/appcast.xml"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_server.listen());
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    }

    void init()
    {
        QSettings().clear();
        m_server.clearRequests();
    }

    void newestRelease_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("version"); // empty: none
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("link");
        QTest::newRow("highest wins, not the first")
            << appcast(item("1.2", "https://example.com/1.2.tar")
                   + item("1.10", "https://example.com/1.10.tar", "1.10 beta")
                   + item("1.9", "https://example.com/1.9.tar"))
            << u"1.10"_s << u"1.10 beta"_s << u"https://example.com/1.10.tar"_s;
        QTest::newRow("version as element and link") << appcast(
            "<item><sparkle:version>2.0</sparkle:version><link>https://example.com/news</link></item>")
                                                     << u"2.0"_s << u"2.0"_s << u"https://example.com/news"_s;
        QTest::newRow("non-web link dropped")
            << appcast(item("3.0", "file:///usr/bin/evil")) << u"3.0"_s << u"3.0"_s << QString();
        QTest::newRow("item without version skipped")
            << appcast("<item><title>x</title></item>" + item("0.5", "https://example.com/a")) << u"0.5"_s
            << u"0.5"_s << u"https://example.com/a"_s;
        QTest::newRow("no items") << appcast({}) << QString() << QString() << QString();
        QTest::newRow("not xml") << QByteArray("{\"version\": 9}") << QString() << QString() << QString();
        QTest::newRow("broken xml") << appcast(item("9.0", "https://e.com")).left(200) << QString()
                                    << QString() << QString();
    }

    void newestRelease()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, version);
        QFETCH(QString, display);
        QFETCH(QString, link);
        const std::optional<Updater::Release> release = Updater::newestRelease(feed);
        QCOMPARE(release.has_value(), !version.isEmpty());
        if (!release)
            return;
        QCOMPARE(release->version, version);
        QCOMPARE(release->displayVersion, display);
        QCOMPARE(release->link.toString(), link);
    }

    void versionOrder()
    {
        QVERIFY(Updater::isNewer(u"0.1.1"_s, u"0.1.0"_s));
        QVERIFY(Updater::isNewer(u"0.10"_s, u"0.9.9"_s));
        QVERIFY(!Updater::isNewer(u"0.1"_s, u"0.1.0"_s));
        QVERIFY(!Updater::isNewer(u"0.0.9"_s, u"0.1.0"_s));
        QVERIFY(!Updater::isNewer(u"latest"_s, u"0.1.0"_s));
    }

    void noFeedMeansNoChecks()
    {
        UpdaterModel model(QUrl(), u"0.1.0"_s, m_session.get());
        QVERIFY(!model.canCheckForUpdates());
        model.checkOnLaunch();
        model.checkForUpdates();
        UpdaterModel notWeb(QUrl(u"file:///etc/passwd"_s), u"0.1.0"_s, m_session.get());
        QVERIFY(!notWeb.canCheckForUpdates());
        notWeb.checkForUpdates();
        QTest::qWait(50);
        QVERIFY(m_server.requests().isEmpty());
    }

    void userCheckReportsEveryOutcome_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::newRow("up to date") << 200 << appcast(item("0.1.0", "https://example.com/a"))
                                    << u"You’re up to date!"_s << QString();
        QTest::newRow("newer") << 200 << appcast(item("0.2.0", "https://example.com/b", "0.2"))
                               << u"A new version of Lirna is available!"_s << u"https://example.com/b"_s;
        QTest::newRow("missing feed") << 404 << QByteArray("no") << u"Update Error!"_s << QString();
        QTest::newRow("unreadable feed")
            << 200 << QByteArray("<rss><channel>") << u"Update Error!"_s << QString();
    }

    void userCheckReportsEveryOutcome()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, title);
        QFETCH(QString, link);
        TestHttpServer::Response response = feed(body);
        response.status = status;
        m_server.setResponse("/appcast.xml", response);
        UpdaterModel model(feedUrl(), u"0.1.0"_s, m_session.get());
        QVERIFY(model.canCheckForUpdates());
        QSignalSpy can(&model, &UpdaterModel::canCheckForUpdatesChanged);
        QSignalSpy ready(&model, &UpdaterModel::resultReady);
        model.checkForUpdates();
        QVERIFY(!model.canCheckForUpdates()); // while the check runs
        model.checkForUpdates(); // refused meanwhile
        QVERIFY(ready.wait(20000));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(m_server.requests().size(), 1);
        QCOMPARE(model.resultTitle(), title);
        QCOMPARE(model.resultLink().toString(), link);
        QVERIFY(model.canCheckForUpdates());
        QCOMPARE(can.count(), 2);
    }

    void launchCheckRunsOnceAndSilently()
    {
        m_server.setResponse("/appcast.xml", feed(appcast(item("0.1.0", "https://example.com/a"))));
        UpdaterModel model(feedUrl(), u"0.1.0"_s, m_session.get());
        QSignalSpy ready(&model, &UpdaterModel::resultReady);
        QSignalSpy can(&model, &UpdaterModel::canCheckForUpdatesChanged);
        model.checkOnLaunch();
        QVERIFY(model.hasCheckedOnLaunch());
        QTRY_COMPARE(can.count(), 2);
        model.checkOnLaunch(); // the window shown again
        QTest::qWait(50);
        QCOMPARE(m_server.requests().size(), 1);
        QCOMPARE(ready.count(), 0); // up to date: nothing shown

        // A newer version found in the background is shown.
        m_server.setResponse("/appcast.xml", feed(appcast(item("1.0", "https://example.com/1.0"))));
        UpdaterModel second(feedUrl(), u"0.1.0"_s, m_session.get());
        QSignalSpy secondReady(&second, &UpdaterModel::resultReady);
        second.checkOnLaunch();
        QVERIFY(secondReady.wait(20000));
        QCOMPARE(second.resultText(), u"Lirna 1.0 is now available — you have 0.1.0."_s);
    }

    void automaticChecksOffSkipsTheLaunchCheck()
    {
        UpdaterModel model(feedUrl(), u"0.1.0"_s, m_session.get());
        QVERIFY(model.automaticallyChecksForUpdates()); // on until the user says otherwise
        QSignalSpy changed(&model, &UpdaterModel::automaticallyChecksForUpdatesChanged);
        model.setAutomaticallyChecksForUpdates(false);
        model.setAutomaticallyChecksForUpdates(false);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QSettings().value(u"automaticallyChecksForUpdates"_s).toString(), u"false"_s);

        UpdaterModel later(feedUrl(), u"0.1.0"_s, m_session.get()); // the setting is kept
        QVERIFY(!later.automaticallyChecksForUpdates());
        later.checkOnLaunch();
        QVERIFY(later.hasCheckedOnLaunch());
        QTest::qWait(50);
        QVERIFY(m_server.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_Updater.moc"
