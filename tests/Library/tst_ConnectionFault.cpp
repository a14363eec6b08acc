#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QtTest>

#include <QCoroTask>

#include "Helpers/TestHttpServer.h"
#include "Library/ConnectionFault.h"
#include "Library/LibraryFixtures.h"
#include "Networking/SubsonicError.h"
#include "Networking/TransportError.h"

using Kind = ConnectionFault::Kind;

class TestConnectionFault : public QObject
{
    Q_OBJECT

private:
    template<typename E> static std::exception_ptr ptr(E error)
    {
        return std::make_exception_ptr(std::move(error));
    }

    // The fault of one real "ping" against the loopback server.
    static ConnectionFault faultOfPing(const SubsonicClient &client, TaskHandle handle = {})
    {
        const std::exception_ptr error = LibraryFixtures::waitVoid(client.ping(handle));
        if (!error)
            return ConnectionFault::other(QStringLiteral("no error"));
        return ConnectionFault::fromError(error);
    }

private Q_SLOTS:
    void classifies_data()
    {
        QTest::addColumn<std::exception_ptr>("error");
        QTest::addColumn<ConnectionFault>("expected");

        QTest::newRow("http 401") << ptr(SubsonicError::http(401)) << ConnectionFault::unauthorized();
        QTest::newRow("http 403") << ptr(SubsonicError::http(403)) << ConnectionFault::unauthorized();
        QTest::newRow("http 402") << ptr(SubsonicError::http(402))
                                  << ConnectionFault::server(QStringLiteral("The server returned HTTP 402."));
        QTest::newRow("http 404") << ptr(SubsonicError::http(404))
                                  << ConnectionFault::server(QStringLiteral("The server returned HTTP 404."));
        QTest::newRow("code 40") << ptr(
            SubsonicError::server(40, QStringLiteral("Wrong username or password")))
                                 << ConnectionFault::unauthorized();
        QTest::newRow("code 50") << ptr(SubsonicError::server(50, QStringLiteral("Not authorized")))
                                 << ConnectionFault::unauthorized();
        QTest::newRow("code 70") << ptr(SubsonicError::server(70, QStringLiteral("Album not found")))
                                 << ConnectionFault::server(QStringLiteral("Album not found"));
        QTest::newRow("unreadable") << ptr(SubsonicError::invalidResponse())
                                    << ConnectionFault::other(
                                           SubsonicError::invalidResponse().localizedDescription());
        QTest::newRow("host not found")
            << ptr(TransportError(QNetworkReply::HostNotFoundError, QStringLiteral("x")))
            << ConnectionFault::offline();
        QTest::newRow("refused") << ptr(TransportError(QNetworkReply::ConnectionRefusedError,
            QStringLiteral("x"))) << ConnectionFault::offline();
        QTest::newRow("closed") << ptr(
            TransportError(QNetworkReply::RemoteHostClosedError, QStringLiteral("x")))
                                << ConnectionFault::offline();
        QTest::newRow("socket time-out")
            << ptr(TransportError(QNetworkReply::TimeoutError, QStringLiteral("x")))
            << ConnectionFault::offline();
        QTest::newRow("network down")
            << ptr(TransportError(QNetworkReply::TemporaryNetworkFailureError, QStringLiteral("x")))
            << ConnectionFault::offline();
        // What Qt reports for a server switched off on the local network.
        QTest::newRow("host unreachable")
            << ptr(TransportError(QNetworkReply::UnknownNetworkError, QStringLiteral("Host unreachable")))
            << ConnectionFault::offline();
        QTest::newRow("transfer time-out") << ptr(TransportError(QNetworkReply::OperationCanceledError,
            QStringLiteral("timed out"), TransportError::Reason::TimedOut))
                                           << ConnectionFault::offline();
        QTest::newRow("cancelled") << ptr(TransportError::cancelled())
                                   << ConnectionFault::other(QStringLiteral("The request was cancelled."));
        const TransportError tls(QNetworkReply::SslHandshakeFailedError, QStringLiteral("x"));
        QTest::newRow("tls") << ptr(tls) << ConnectionFault::other(tls.localizedDescription());
        QTest::newRow("unrelated") << ptr(std::runtime_error("No space left on device"))
                                   << ConnectionFault::other(QStringLiteral("No space left on device"));
    }

    void classifies()
    {
        QFETCH(std::exception_ptr, error);
        QFETCH(ConnectionFault, expected);
        const ConnectionFault fault = ConnectionFault::fromError(error);
        QCOMPARE(fault.kind(), expected.kind());
        QCOMPARE(fault.text(), expected.text());
    }

    // Only a request cancelled on purpose is kept quiet; a time-out is not one.
    void tellsCancellations_data()
    {
        QTest::addColumn<std::exception_ptr>("error");
        QTest::addColumn<bool>("cancellation");
        QTest::newRow("cancelled") << ptr(TransportError::cancelled()) << true;
        QTest::newRow("timed out") << ptr(TransportError(QNetworkReply::OperationCanceledError,
            QStringLiteral("timed out"), TransportError::Reason::TimedOut))
                                   << false;
        QTest::newRow("refused") << ptr(TransportError(QNetworkReply::ConnectionRefusedError,
            QStringLiteral("x"))) << false;
        QTest::newRow("server error")
            << ptr(SubsonicError::server(70, QStringLiteral("Album not found"))) << false;
        QTest::newRow("unrelated") << ptr(std::runtime_error("No space left on device")) << false;
        QTest::newRow("no error") << std::exception_ptr() << false;
    }

    void tellsCancellations()
    {
        QFETCH(std::exception_ptr, error);
        QTEST(ConnectionFault::isCancellation(error), "cancellation");
    }

    void comparesByCaseAndText()
    {
        QVERIFY(ConnectionFault::server(QStringLiteral("a")) == ConnectionFault::server(QStringLiteral("a")));
        QVERIFY(
            !(ConnectionFault::server(QStringLiteral("a")) == ConnectionFault::other(QStringLiteral("a"))));
        QVERIFY(
            !(ConnectionFault::server(QStringLiteral("a")) == ConnectionFault::server(QStringLiteral("b"))));
        QVERIFY(ConnectionFault::offline() == ConnectionFault::offline());
    }

    // The faults real failures produce, not only hand-made errors.
    void classifiesRealTransportFailures()
    {
        // A port nobody listens on: the connection is refused.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        const SubsonicClient refused(ServerConfig {QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)),
                                         QStringLiteral("u"), QStringLiteral("p")},
            UrlSession::shared());
        QCOMPARE(faultOfPing(refused).kind(), Kind::Offline);

        TestHttpServer server;
        QVERIFY(server.listen());
        server.setResponse("/rest/ping", TestHttpServer::dropped());
        QCOMPARE(faultOfPing(LibraryFixtures::clientFor(server)).kind(), Kind::Offline);

        // Our own transfer time-out counts as offline; our own cancellation does not.
        server.setResponse("/rest/ping", TestHttpServer::hanging());
        QNetworkAccessManager manager;
        UrlSession impatient(&manager, 200);
        QCOMPARE(faultOfPing(LibraryFixtures::clientFor(server, &impatient)).kind(), Kind::Offline);

        TaskHandle handle = TaskHandle::create();
        QTimer::singleShot(50, [handle]() mutable { handle.cancel(); });
        const ConnectionFault cancelled = faultOfPing(LibraryFixtures::clientFor(server), handle);
        QCOMPARE(cancelled.kind(), Kind::Other);
        QCOMPARE(cancelled.text(), QStringLiteral("The request was cancelled."));

        server.setResponse("/rest/ping", TestHttpServer::failed(40, "Wrong username or password"));
        QCOMPARE(faultOfPing(LibraryFixtures::clientFor(server)).kind(), Kind::Unauthorized);
        server.setResponse("/rest/ping", TestHttpServer::json("oops", 500));
        QCOMPARE(faultOfPing(LibraryFixtures::clientFor(server)),
            ConnectionFault::server(QStringLiteral("The server returned HTTP 500.")));
    }
};

QTEST_GUILESS_MAIN(TestConnectionFault)
#include "tst_ConnectionFault.moc"
