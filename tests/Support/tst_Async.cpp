#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

#include "Helpers/Await.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"
#include "Support/Async.h"

// The order in which queued work and eager coroutines run matters to the
// stores: a queued start must run after the caller has finished.
class Recorder : public QObject
{
    Q_OBJECT
public:
    QStringList events;

    QCoro::Task<> work(QString name)
    {
        events << name + QStringLiteral(" started");
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        events << name + QStringLiteral(" resumed");
    }
};

class TestAsync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queuedStartRunsAfterTheCallerInCallOrder()
    {
        Recorder recorder;
        Async::startQueued(&recorder, [&recorder] { recorder.work(QStringLiteral("a")); });
        Async::startQueued(&recorder, [&recorder] { recorder.work(QStringLiteral("b")); });
        recorder.events << QStringLiteral("caller done");
        QCOMPARE(recorder.events, QStringList{QStringLiteral("caller done")});
        QTRY_COMPARE(recorder.events.size(), 5);
        QCOMPARE(recorder.events.mid(0, 3),
            (QStringList{QStringLiteral("caller done"), QStringLiteral("a started"), QStringLiteral("b started")}));
    }

    void queuedStartIsDroppedWithItsContext()
    {
        bool ran = false;
        {
            QObject context;
            Async::startQueued(&context, [&ran] { ran = true; });
        }
        QCoreApplication::processEvents();
        QVERIFY(!ran);
    }

    void handlesCompareByIdentity()
    {
        TaskHandle a = TaskHandle::create();
        TaskHandle copy = a;
        TaskHandle b = TaskHandle::create();
        QVERIFY(a == copy);
        QVERIFY(!(a == b));
        QVERIFY(TaskHandle().isNull());
        QVERIFY(!TaskHandle().isCancelled());
        copy.cancel();
        QVERIFY(a.isCancelled());
        QVERIFY(!b.isCancelled());
    }

    // A request the server never answers ends soon, by its handle's cancel or
    // by the session's time-out, and says which.
    void hangingRequestEnds_data()
    {
        QTest::addColumn<int>("cancelAfterMs"); // -1: never cancelled
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("cancelled") << 50 << int(UrlSession::TransferTimeoutMs) << true;
        QTest::newRow("timed out") << -1 << 200 << false;
    }

    void hangingRequestEnds()
    {
        QFETCH(int, cancelAfterMs);
        QFETCH(int, timeoutMs);
        QFETCH(bool, cancelled);
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setResponse("/slow", TestHttpServer::hanging());
        QNetworkAccessManager manager;
        UrlSession session(&manager, timeoutMs);
        TaskHandle handle = TaskHandle::create();
        QUrl url = server.baseUrl();
        url.setPath(QStringLiteral("/slow"));
        if (cancelAfterMs >= 0)
            QTimer::singleShot(cancelAfterMs, [handle]() mutable { handle.cancel(); });
        QElapsedTimer timer;
        timer.start();
        try {
            TestAwait::await(session.data(url, handle));
            QFAIL("a hanging request must end with an error");
        } catch (const TransportError &error) {
            QCOMPARE(error.isCancelled(), cancelled);
            QCOMPARE(error.isTimedOut(), !cancelled);
        }
        QVERIFY(timer.elapsed() < 5000);
    }

    void alreadyCancelledHandleSendsNothing()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        QNetworkAccessManager manager;
        UrlSession session(&manager);
        TaskHandle handle = TaskHandle::create();
        handle.cancel();
        QVERIFY_THROWS_EXCEPTION(TransportError, TestAwait::await(session.data(server.baseUrl(), handle)));
        QTest::qWait(50);
        QCOMPARE(server.requests().size(), 0);
    }

    void refusedConnectionIsANetworkError()
    {
        quint16 port = 0;
        {
            TestHttpServer server;
            QVERIFY(server.listen());
            port = server.port();
        }
        QNetworkAccessManager manager;
        UrlSession session(&manager);
        try {
            TestAwait::await(session.data(QUrl(QStringLiteral("http://127.0.0.1:%1/x?t=secret").arg(port))));
            QFAIL("nothing listens there");
        } catch (const TransportError &error) {
            QCOMPARE(error.code(), QNetworkReply::ConnectionRefusedError);
            QCOMPARE(error.reason(), TransportError::Reason::Network);
            QVERIFY(!error.text().contains(QStringLiteral("secret")));
            QVERIFY(!error.localizedDescription().contains(QStringLiteral("secret")));
        }
    }

    void httpErrorStatusIsAnAnswer()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        QNetworkAccessManager manager;
        UrlSession session(&manager);
        const HttpResponse response = TestAwait::await(session.data(server.baseUrl()));
        QCOMPARE(response.status, std::optional<int>(404));
        QCOMPARE(response.body, QByteArray("not found"));
    }
};

QTEST_GUILESS_MAIN(TestAsync)
#include "tst_Async.moc"
