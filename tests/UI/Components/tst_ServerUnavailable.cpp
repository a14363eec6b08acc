#include <QtTest>

#include "ServerUnavailableTracker.h"
#include "ServerUnavailableViewModel.h"

using namespace Qt::StringLiterals;
using Fallbacks = QList<std::pair<bool, bool>>; // (shows the notice, visible) of each page

// The full-page server notice: its texts per fault, when it replaces a page,
// and the window's count of pages that show it.
class TestServerUnavailable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notice_data()
    {
        QTest::addColumn<ConnectionFault>("fault");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("offersRetry");

        const QString check = u"Check that your music server is running and that it's reachable."_s;
        QTest::newRow("offline") << ConnectionFault::offline() << false << u"Can't reach your server"_s
                                 << u"wifi.exclamationmark"_s << check << true;
        QTest::newRow("offline, downloads")
            << ConnectionFault::offline() << true << u"Can't reach your server"_s << u"wifi.exclamationmark"_s
            << check + u" Downloaded music still plays."_s << true;
        QTest::newRow("unauthorized")
            << ConnectionFault::unauthorized() << true << u"Your password no longer works"_s
            << u"lock.trianglebadge.exclamationmark"_s << u"Sign out and back in to save it again."_s
            << false;
        QTest::newRow("server") << ConnectionFault::server(u"Database locked"_s) << true
                                << u"Your server returned an error"_s << u"exclamationmark.triangle"_s
                                << u"Database locked"_s << true;
        QTest::newRow("other") << ConnectionFault::other(u"Bad reply"_s) << false
                               << u"Your server returned an error"_s << u"exclamationmark.triangle"_s
                               << u"Bad reply"_s << true;
    }

    void notice()
    {
        QFETCH(ConnectionFault, fault);
        QFETCH(bool, downloads);
        const auto notice = ServerUnavailableViewModel::notice(fault, downloads);
        QTEST(notice.title, "title");
        QTEST(notice.symbol, "symbol");
        QTEST(notice.detail, "detail");
        QTEST(notice.offersRetry, "offersRetry");
    }

    // Each fallback as (shows the notice, visible).
    void tracker_data()
    {
        QTest::addColumn<Fallbacks>("fallbacks");
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << Fallbacks {} << false;
        QTest::newRow("content only") << Fallbacks {{false, true}, {false, false}} << false;
        QTest::newRow("notice covered") << Fallbacks {{true, false}, {false, true}} << false;
        QTest::newRow("notice visible") << Fallbacks {{false, true}, {true, true}} << true;
        QTest::newRow("two notices") << Fallbacks {{true, true}, {true, true}} << true;
    }

    void tracker()
    {
        QFETCH(Fallbacks, fallbacks);
        ServerUnavailableTracker tracker;
        std::vector<std::unique_ptr<QObject>> pages;
        for (const auto &[showsNotice, visible] : fallbacks) {
            pages.push_back(std::make_unique<QObject>());
            tracker.report(pages.back().get(), showsNotice, visible);
        }
        QTEST(tracker.serverUnavailableShown(), "shown");
        pages.clear(); // destroyed pages stop counting
        QVERIFY(!tracker.serverUnavailableShown());
    }
};

QTEST_GUILESS_MAIN(TestServerUnavailable)
#include "tst_ServerUnavailable.moc"
