#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "Helpers/Await.h"
#include "Helpers/TlsRelay.h"
#include "Library/ConnectionFault.h"
#include "Networking/SubsonicClient.h"

#include "NetworkingFixture.h"

namespace {

// The transfer time-out and the whole request's bound of the transport table.
constexpr int TimeOutMs = 800;
constexpr int DeadlineMs = 2000;

} // namespace

// How requests travel: time-outs and deadlines, failures after the status,
// redirects and the bounds of what an answer may hold.
class TestUrlSessionTransport : public QObject, NetworkingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(startServer(this)); }

    void init() { resetServer(); }

    // A failure after the status line wins over the status: the call fails
    // the way the transfer did, not as an answer that could not be read. A
    // write fails as a read does, and neither outlives the session's deadline
    // however its answer or its redirects come.
    void transferFailsAfterTheStatus_data()
    {
        QTest::addColumn<TestHttpServer::Response>("response");
        QTest::addColumn<QString>("via"); // "server", "https" (a TLS front) or "proxy"
        QTest::addColumn<ConnectionFault>("fault");
        QTest::addColumn<QString>("description");
        const QByteArray body = R"({"subsonic-response":{"status":"ok","version":"1.16.1"}})";
        const ConnectionFault offline = ConnectionFault::offline();
        const auto other = [](const char *text) { return ConnectionFault::other(QString::fromUtf8(text)); };
        // In a Location, {plain} names a port that speaks no TLS, {self} the
        // server that answers.
        const auto redirect = [](const QByteArray &location) {
            TestHttpServer::Response moved = TestHttpServer::json("moved", 302);
            moved.headers.append({"Location", location});
            return moved;
        };
        TestHttpServer::Response cut = TestHttpServer::json(body);
        cut.sendOnly = body.size() / 2;
        QTest::newRow("body cut off") << cut << "server" << offline << "The network connection was lost.";
        TestHttpServer::Response stalled = TestHttpServer::json(body);
        stalled.sendOnly = 10;
        stalled.stall = true;
        QTest::newRow("stall after the headers")
            << stalled << "server" << offline << "The request timed out.";
        const char *insecure = "The server redirected to an address that is not secure.";
        QTest::newRow("redirect to a failing https address")
            << redirect("https://{plain}/") << "server"
            << other("A secure connection to the server could not be made.")
            << "A secure connection to the server could not be made.";
        QTest::newRow("redirect from https to http")
            << redirect("http://{plain}/rest/ping") << "https" << other(insecure) << insecure;
        const char *endless = "The server redirected too many times.";
        QTest::newRow("redirect to itself")
            << redirect("http://{self}/rest/x") << "server" << other(endless) << endless;
        // Past Qt's limits for a header, and the connection stays open.
        TestHttpServer::Response huge = redirect("http://{self}/" + QByteArray(300 * 1024, 'a'));
        huge.stall = true;
        const char *unusable = "The server redirected to an address that can't be used.";
        QTest::newRow("Location of 300 KB") << huge << "server" << other(unusable) << unusable;
        TestHttpServer::Response trickle = TestHttpServer::json(body);
        trickle.trickleMs = TimeOutMs / 4;
        QTest::newRow("answer trickling in") << trickle << "server" << offline << "The request timed out.";
        TestHttpServer::Response hop = redirect("http://{self}/rest/x");
        hop.delayMs = TimeOutMs / 2;
        QTest::newRow("redirects, each within the time-out")
            << hop << "server" << offline << "The request timed out.";
        TestHttpServer::Response ntlm = TestHttpServer::json("denied", 401);
        ntlm.headers.append({QByteArray("WWW-Authenticate"), QByteArray("NTLM")});
        QTest::newRow("401 with an NTLM challenge")
            << ntlm << "server" << ConnectionFault::unauthorized() << "The server returned HTTP 401.";
        TestHttpServer::Response proxy = TestHttpServer::json("denied", 407);
        proxy.headers.append({QByteArray("Proxy-Authenticate"), QByteArray("NTLM")});
        QTest::newRow("407 from the proxy")
            << proxy << "proxy" << ConnectionFault::server(QStringLiteral("The server returned HTTP 407."))
            << "The server returned HTTP 407.";
    }

    void transferFailsAfterTheStatus()
    {
        QFETCH(TestHttpServer::Response, response);
        QFETCH(QString, via);
        QFETCH(ConnectionFault, fault);
        QFETCH(QString, description);
        QTcpServer plain;
        QVERIFY(plain.listen(QHostAddress::LocalHost));
        int plainRequests = 0;
        connect(&plain, &QTcpServer::newConnection, &plain, [&plain, &plainRequests] {
            while (QTcpSocket *socket = plain.nextPendingConnection()) {
                ++plainRequests;
                socket->write("HTTP/1.1 400 Bad Request\r\n\r\n");
                socket->disconnectFromHost();
            }
        });
        QUrl base = m_server->baseUrl();
        QTemporaryDir certificates;
        std::optional<TlsRelay> secure;
        // The configuration to put back once this row is done.
        std::optional<QSslConfiguration> trusted;
        const auto restore = qScopeGuard([&trusted] {
            if (trusted)
                QSslConfiguration::setDefaultConfiguration(*trusted);
        });
        if (via == u"https") {
            secure.emplace(base, certificates.path());
            QVERIFY(secure->isListening());
            QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
            QVERIFY(trusting.addCaCertificates(secure->caFile()));
            trusted.emplace(QSslConfiguration::defaultConfiguration());
            QSslConfiguration::setDefaultConfiguration(trusting);
            base = secure->url();
        }
        const QByteArray self = base.authority().toLatin1();
        for (auto &[name, value] : response.headers) {
            value.replace("{plain}", "127.0.0.1:" + QByteArray::number(plain.serverPort()));
            value.replace("{self}", self);
        }
        // When each call's first request arrived, on the server's clock.
        QElapsedTimer clock;
        clock.start();
        std::optional<qint64> firstArrival;
        const auto arrived = [&firstArrival, &clock] {
            if (!firstArrival)
                firstArrival = clock.elapsed();
        };
        QObject listening;
        connect(m_server, &TestHttpServer::requestReceived, &listening, arrived);
        m_server->setHandler([response](const TestHttpServer::Request &) { return response; });
        QNetworkAccessManager manager;
        if (via == u"proxy") {
            manager.setProxy(
                QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_server->port()));
            base = QUrl(QStringLiteral("http://127.0.0.1:9")); // only the proxy is asked
        }
        // The rows are given short bounds, to end soon, but for the huge
        // Location: Qt reads a header a byte at a time and counts none of it
        // as progress, so a loaded machine could end that row by the clock.
        // Its description tells the program did not wait for the time-out.
        const bool readsSlowly = QTest::currentDataTag() == QByteArrayView("Location of 300 KB");
        const int timeOutMs = readsSlowly ? UrlSession::TransferTimeoutMs : TimeOutMs;
        UrlSession impatient(
            &manager, timeOutMs, {}, readsSlowly ? UrlSession::RequestDeadlineMs : DeadlineMs);
        const SubsonicClient c(ServerConfig {base, QStringLiteral("alice"), QStringLiteral("x")}, &impatient);

        const auto check = [&]<typename T>(QCoro::Task<T> task) {
            firstArrival.reset();
            std::exception_ptr error;
            try {
                TestAwait::await(std::move(task));
            } catch (...) {
                error = std::current_exception();
            }
            const qint64 ended = clock.elapsed();
            QVERIFY2(error, "the call succeeded");
            QCOMPARE(ConnectionFault::describe(error), description);
            QCOMPARE(ConnectionFault::fromError(error), fault);
            QVERIFY(firstArrival);
            if (readsSlowly)
                return;
            QVERIFY2(ended - *firstArrival <= impatient.requestDeadlineMs() + timeOutMs,
                qPrintable(QStringLiteral("ended %1 ms after its first request arrived")
                               .arg(ended - *firstArrival)));
        };
        check(c.ping());
        if (QTest::currentTestFailed())
            return;
        check(c.updatePlaylist(QStringLiteral("p1"), std::nullopt, {QStringLiteral("s9")}, {}));
        if (via == u"https")
            QCOMPARE(plainRequests, 0);
    }

    // A write goes on through any redirect and reaches the server once: also
    // when the server closes the connection after reading it (it may have
    // applied it), and however the redirect is answered. Reads pass too. A
    // long write goes on as a form: every hop a POST with the whole body.
    void writesAndReadsPassRedirects_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("target"); // "server", "server closes" or "itself"
        QTest::addColumn<int>("songs"); // added by the write
        for (int status : {301, 302, 303, 307, 308}) {
            QTest::addRow("%d", status) << status << QStringLiteral("server") << 1;
            QTest::addRow("%d, closed after the write was read", status)
                << status << QStringLiteral("server closes") << 1;
            QTest::addRow("%d, a long write", status) << status << QStringLiteral("server") << 200;
            QTest::addRow("%d, a long write, closed after it was read", status)
                << status << QStringLiteral("server closes") << 200;
        }
        QTest::newRow("308 to itself, without end") << 308 << QStringLiteral("itself") << 1;
    }

    void writesAndReadsPassRedirects()
    {
        QFETCH(int, status);
        QFETCH(QString, target);
        QFETCH(int, songs);
        QStringList added;
        for (int n = 0; n < songs; ++n)
            added.append(QStringLiteral("s9-%1").arg(n).leftJustified(36, u'0'));
        TestHttpServer front;
        QVERIFY(front.listen());
        front.redirectEverythingTo(target == u"itself" ? front.baseUrl() : m_server->baseUrl(), status);
        m_server->setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p1","name":"P"})"));
        m_server->setResponse("/rest/updatePlaylist",
            target == u"server closes" ? TestHttpServer::dropped() : TestHttpServer::ok());
        const SubsonicClient c(
            ServerConfig {front.baseUrl(), QStringLiteral("alice"), QStringLiteral("sesame")}, m_session);
        const auto failure = []<typename T>(QCoro::Task<T> task) -> std::optional<TransportError> {
            try {
                TestAwait::await(std::move(task));
            } catch (const TransportError &error) {
                return error;
            }
            return std::nullopt;
        };

        const std::optional<TransportError> read = failure(c.playlist(QStringLiteral("p1")));
        const std::optional<TransportError> write
            = failure(c.updatePlaylist(QStringLiteral("p1"), std::nullopt, added, {}));
        if (target == u"itself") {
            QVERIFY(read && write);
            QCOMPARE(read->code(), QNetworkReply::TooManyRedirectsError);
            QCOMPARE(write->code(), QNetworkReply::TooManyRedirectsError);
            QCOMPARE(front.requestCount({"/rest/updatePlaylist"}), UrlSession::RedirectLimit + 1);
            QCOMPARE(m_server->requests().size(), 0);
            return;
        }
        QVERIFY2(!read, qPrintable(read ? read->localizedDescription() : QString()));
        QVERIFY2(write.has_value() == (target == u"server closes"),
            qPrintable(write ? write->localizedDescription() : QStringLiteral("the write went through")));
        if (write)
            QCOMPARE(write->code(), QNetworkReply::RemoteHostClosedError);
        QCOMPARE(front.requestCount({"/rest/updatePlaylist"}), 1);
        QCOMPARE(m_server->requestCount({"/rest/updatePlaylist"}), 1);
        const QByteArray method = songs > 1 ? "POST" : "GET";
        QCOMPARE(front.lastRequest().method, method);
        const TestHttpServer::Request applied = m_server->lastRequest();
        QCOMPARE(applied.method, method);
        QStringList arrived;
        for (const auto &[name, value] : applied.queryItems()) {
            if (name == u"songIdToAdd")
                arrived.append(value);
        }
        QCOMPARE(arrived, added);
        QCOMPARE(applied.queryValue(QStringLiteral("t")),
            SubsonicClient::token(QStringLiteral("sesame"), applied.queryValue(QStringLiteral("s"))));
    }

    // Where a redirect leads a request that carries credentials: never to a
    // less safe address, nor away from http.
    void redirectTargets_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QString>("target"); // empty: refused
        QTest::addColumn<int>("refusal");
        const QString from = QStringLiteral("https://h/music/rest/ping?u=a&t=x");
        const int none = int(QNetworkReply::NoError);
        const int insecure = int(QNetworkReply::InsecureRedirectError);
        const int unknown = int(QNetworkReply::ProtocolUnknownError);
        QTest::newRow("http to https") << "http://h/rest/ping?t=x" << QByteArray("https://h/rest/ping?t=x")
                                       << "https://h/rest/ping?t=x" << none;
        QTest::newRow("http to http") << "http://h/rest/ping" << QByteArray("http://g:8080/rest/ping")
                                      << "http://g:8080/rest/ping" << none;
        QTest::newRow("https to https")
            << from << QByteArray("https://g/rest/ping?u=a&t=x") << "https://g/rest/ping?u=a&t=x" << none;
        QTest::newRow("https to http")
            << from << QByteArray("http://h/music/rest/ping?u=a&t=x") << QString() << insecure;
        QTest::newRow("https to http, upper case")
            << from << QByteArray("HTTP://h/rest/ping") << QString() << insecure;
        QTest::newRow("absolute path")
            << from << QByteArray("/new/rest/ping?u=a") << "https://h/new/rest/ping?u=a" << none;
        QTest::newRow("relative path")
            << from << QByteArray("getPlaylists?t=y") << "https://h/music/rest/getPlaylists?t=y" << none;
        QTest::newRow("no scheme") << from << QByteArray("//g:444/rest/ping") << "https://g:444/rest/ping"
                                   << none;
        QTest::newRow("encoded query kept") << "http://h/" << QByteArray("http://h/rest/x?name=a%26b%2Bc")
                                            << "http://h/rest/x?name=a%26b%2Bc" << none;
        QTest::newRow("ftp") << from << QByteArray("ftp://h/rest/ping") << QString() << unknown;
        QTest::newRow("file") << "http://h/" << QByteArray("file:///etc/passwd") << QString() << unknown;
        QTest::newRow("no location") << from << QByteArray() << QString() << unknown;
    }

    void redirectTargets()
    {
        QFETCH(QString, from);
        QFETCH(QByteArray, location);
        QFETCH(QString, target);
        QFETCH(int, refusal);
        try {
            const QUrl url = UrlSession::redirectTarget(QUrl(from), location);
            QCOMPARE(url.toString(QUrl::FullyEncoded), target);
            QCOMPARE(refusal, int(QNetworkReply::NoError));
        } catch (const TransportError &error) {
            QVERIFY2(target.isEmpty(), qPrintable(error.localizedDescription()));
            QCOMPARE(int(error.code()), refusal);
        }
    }

    // What is held in memory is bounded: a body announced or sent past the
    // limit of its kind fails at once, long before its transfer would end.
    void bodiesPastTheLimitFail_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("announced");
        QTest::addColumn<bool>("fails");
        const int answer = int(UrlSession::Body::Answer);
        const int cover = int(UrlSession::Body::Cover);
        QTest::newRow("answer within its limit") << answer << 1000 << true << false;
        QTest::newRow("answer announced past its limit") << answer << 1001 << true << true;
        QTest::newRow("answer sent past its limit") << answer << 3000 << false << true;
        QTest::newRow("cover within its limit") << cover << 500 << false << false;
        QTest::newRow("cover announced past its limit") << cover << 501 << true << true;
        QTest::newRow("cover sent past its limit") << cover << 1000 << false << true;
    }

    void bodiesPastTheLimitFail()
    {
        QFETCH(int, kind);
        QFETCH(int, size);
        QFETCH(bool, announced);
        QFETCH(bool, fails);
        const QByteArray body(size, 'x');
        TestHttpServer::Response response = TestHttpServer::json(body);
        if (announced) {
            response.sendOnly = 0;
        } else {
            response.rawBody = true;
            response.body = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body;
        }
        // A body past the limit never ends: only the limit can stop it in time.
        response.stall = fails;
        if (!fails)
            response.sendOnly = -1;
        m_server->setResponse("/body", response);
        QNetworkAccessManager manager;
        UrlSession limited(&manager, 5000, BodyLimits {1000, 500});
        const QUrl url = m_server->baseUrl().resolved(QUrl(QStringLiteral("/body")));
        try {
            const HttpResponse answer = TestAwait::await(limited.data(url, {}, UrlSession::Body(kind)));
            QVERIFY(!fails);
            QCOMPARE(answer.body, body);
        } catch (const TransportError &error) {
            QVERIFY2(fails, qPrintable(error.localizedDescription()));
            QVERIFY(error.isTooLarge());
            QCOMPARE(error.localizedDescription(), QStringLiteral("The server's answer is too large."));
        }
    }
};

QTEST_GUILESS_MAIN(TestUrlSessionTransport)
#include "tst_UrlSessionTransport.moc"
