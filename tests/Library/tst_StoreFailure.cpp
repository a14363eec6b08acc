#include <QtTest>

#include "Library/StoreFailure.h"

class TestStoreFailure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void message_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<ConnectionFault>("fault");
        QTest::addColumn<QString>("expected");

        QTest::newRow("offline") << QStringLiteral("update your likes") << ConnectionFault::offline()
                                 << QStringLiteral(
                                        "Couldn't update your likes \u2014 can't reach your server");
        QTest::newRow("unauthorized")
            << QStringLiteral("rename the playlist") << ConnectionFault::unauthorized()
            << QStringLiteral("Couldn't rename the playlist \u2014 your server rejected the saved password");
        QTest::newRow("capital") << QStringLiteral("rename the playlist")
                                 << ConnectionFault::server(QStringLiteral("Playlist Not Found"))
                                 << QStringLiteral("Couldn't rename the playlist \u2014 playlist Not Found");
        QTest::newRow("digit") << QStringLiteral("delete the playlist")
                               << ConnectionFault::server(QStringLiteral("404 Gone"))
                               << QStringLiteral("Couldn't delete the playlist \u2014 404 Gone");
        QTest::newRow("symbol") << QStringLiteral("delete the playlist")
                                << ConnectionFault::other(QStringLiteral("(x) failed"))
                                << QStringLiteral("Couldn't delete the playlist \u2014 (x) failed");
        QTest::newRow("accented") << QStringLiteral("add to the playlist")
                                  << ConnectionFault::other(QStringLiteral("\u00c9chec"))
                                  << QStringLiteral("Couldn't add to the playlist \u2014 \u00e9chec");
        QTest::newRow("empty") << QStringLiteral("save the new order") << ConnectionFault::server(QString())
                               << QStringLiteral("Couldn't save the new order \u2014 ");
    }

    void message()
    {
        QFETCH(QString, action);
        QFETCH(ConnectionFault, fault);
        QFETCH(QString, expected);
        const StoreFailure failure(QUuid::createUuid(), action, fault);
        QCOMPARE(failure.message(), expected);
        // The plain apostrophe, never the typographic one.
        QVERIFY(failure.message().startsWith(QStringLiteral("Couldn't ")));
    }

    void equalityIsById()
    {
        const StoreFailure a(
            QUuid::createUuid(), QStringLiteral("update your likes"), ConnectionFault::offline());
        const StoreFailure b(
            QUuid::createUuid(), QStringLiteral("update your likes"), ConnectionFault::offline());
        QVERIFY(!(a == b));
        const StoreFailure withRetry(a.id(), QStringLiteral("other"), ConnectionFault::unauthorized(),
            []() -> QCoro::Task<> { co_return; });
        QVERIFY(a == withRetry);
        QVERIFY(!a.canRetry());
        QVERIFY(withRetry.canRetry());
    }
};

QTEST_GUILESS_MAIN(TestStoreFailure)
#include "tst_StoreFailure.moc"
