#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include "ConnectionBannerViewModel.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"
#include "ServerUnavailableTracker.h"
#include "ServerUnavailableViewModel.h"

using namespace Qt::StringLiterals;
using Kind = ConnectionBannerViewModel::Kind;
using Tint = ConnectionBannerViewModel::Tint;

namespace {

StoreFailure failure(const QString &action, const ConnectionFault &fault, bool withRetry = false)
{
    StoreFailure::Retry retry;
    if (withRetry)
        retry = []() -> QCoro::Task<> { co_return; };
    return StoreFailure(QUuid::createUuid(), action, fault, retry);
}

} // namespace

// The connection banner: what it shows for each state of the store, and when
// a transient notice goes away by itself.
class TestConnectionBanner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_library;

private Q_SLOTS:
    void init() { QVERIFY(LibraryFixtures::startStore(m_server, m_library)); }
    void cleanup() { LibraryFixtures::stopStore(m_server, m_library); }

    void decides_data()
    {
        QTest::addColumn<ServerReachability>("reachability");
        QTest::addColumn<QVariant>("failure");
        QTest::addColumn<bool>("cached");
        QTest::addColumn<bool>("fullPage");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<Tint>("tint");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("detail");

        const auto offline = ServerReachability::failing(ConnectionFault::offline());
        const auto unauthorized = ServerReachability::failing(ConnectionFault::unauthorized());
        const QVariant none;
        const QVariant likes
            = QVariant::fromValue(failure(u"update your likes"_s, ConnectionFault::offline()));
        const QVariant create = QVariant::fromValue(
            failure(u"create the playlist"_s, ConnectionFault::server(u"Not allowed"_s)));
        const QString wifi = u"wifi.exclamationmark"_s;
        const QString triangle = u"exclamationmark.triangle"_s;

        QTest::newRow("offline") << offline << none << true << false << false << Kind::Standing << wifi
                                 << Tint::Orange << u"Can't reach your server"_s << QString();
        QTest::newRow("offline, downloads")
            << offline << none << true << false << true << Kind::Standing << wifi << Tint::Orange
            << u"Can't reach your server"_s << u"Downloaded music still plays."_s;
        QTest::newRow("unauthorized")
            << unauthorized << none << true << false << true << Kind::Standing
            << u"lock.trianglebadge.exclamationmark"_s << Tint::Orange
            << u"Your server rejected the saved password"_s << u"Sign out and back in to save it again."_s;
        QTest::newRow("server fault")
            << ServerReachability::failing(ConnectionFault::server(u"Disk full"_s)) << none << true << false
            << true << Kind::Standing << triangle << Tint::Yellow << u"Disk full"_s << QString();
        QTest::newRow("other fault") << ServerReachability::failing(ConnectionFault::other(u"Odd reply"_s))
                                     << none << true << false << false << Kind::Standing << triangle
                                     << Tint::Yellow << u"Odd reply"_s << QString();
        QTest::newRow("failing, nothing cached") << offline << none << false << false << false << Kind::None
                                                 << QString() << Tint::Yellow << QString() << QString();
        QTest::newRow("failing, nothing cached, failure")
            << offline << create << false << false << true << Kind::Transient << triangle << Tint::Yellow
            << u"Couldn't create the playlist \u2014 not allowed"_s << QString();
        QTest::newRow("standing wins over a failure")
            << unauthorized << likes << true << false << false << Kind::Standing
            << u"lock.trianglebadge.exclamationmark"_s << Tint::Orange
            << u"Your server rejected the saved password"_s << u"Sign out and back in to save it again."_s;
        QTest::newRow("reachable, failure")
            << ServerReachability::ok() << likes << true << false << true << Kind::Transient << wifi
            << Tint::Orange << u"Couldn't update your likes \u2014 can't reach your server"_s << QString();
        QTest::newRow("full-page notice") << offline << likes << true << true << true << Kind::None
                                          << QString() << Tint::Yellow << QString() << QString();
    }

    void decides()
    {
        QFETCH(ServerReachability, reachability);
        QFETCH(QVariant, failure);
        QFETCH(bool, cached);
        QFETCH(bool, fullPage);
        QFETCH(bool, downloads);
        const std::optional<StoreFailure> last
            = failure.isValid() ? std::optional(failure.value<StoreFailure>()) : std::nullopt;
        const auto content = ConnectionBannerViewModel::decide(reachability, last, cached, fullPage);
        const auto texts = ConnectionBannerViewModel::texts(content, downloads);
        QTEST(content.kind, "kind");
        QTEST(texts.symbol, "symbol");
        QTEST(texts.tint, "tint");
        QTEST(texts.title, "title");
        QTEST(texts.detail, "detail");
    }

    // A failure without a retry leaves on its own once the wait is over; a
    // failure with a retry stays.
    void transientFailureDismissesItself_data()
    {
        QTest::addColumn<bool>("withRetry");
        QTest::newRow("no retry") << false;
        QTest::newRow("retry") << true;
    }

    void transientFailureDismissesItself()
    {
        QFETCH(bool, withRetry);
        ConnectionBannerViewModel banner;
        banner.setAutoDismissInterval(150);
        banner.setLibrary(m_library.get());
        m_library->setLastFailure(failure(u"rename the playlist"_s, ConnectionFault::offline(), withRetry));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(banner.kind(), Kind::Transient);
        QCOMPARE(banner.showsRetry(), withRetry);
        QVERIFY(banner.showsDismiss());
        QVERIFY(!banner.showsTryAgain());

        if (withRetry) {
            QTest::qWait(400);
            QVERIFY(m_library->lastFailure().has_value());
            QCOMPARE(banner.kind(), Kind::Transient);
            return;
        }
        QTRY_VERIFY(!m_library->lastFailure().has_value());
        QVERIFY(clock.elapsed() >= 145);
        QCOMPARE(banner.kind(), Kind::None);
    }

    // A new failure gets its whole wait; the same failure drawn again keeps
    // the wait it had.
    void waitFollowsTheContent()
    {
        // Seconds apart, so that a busy machine's late timers and wakeups
        // cannot pass for a wait that restarted or did not.
        ConnectionBannerViewModel banner;
        banner.setAutoDismissInterval(3000);
        banner.setLibrary(m_library.get());
        m_library->setLastFailure(failure(u"update your likes"_s, ConnectionFault::offline()));
        QTest::qWait(1500);
        const StoreFailure second = failure(u"delete the playlist"_s, ConnectionFault::offline());
        m_library->setLastFailure(second);
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        QTest::qWait(2000); // past the first failure's end
        QCOMPARE(m_library->lastFailure(), std::optional(second));
        QTRY_VERIFY(!m_library->lastFailure().has_value());
        QVERIFY(sinceSecond.elapsed() >= 2995);

        m_library->setLastFailure(failure(u"update your likes"_s, ConnectionFault::offline()));
        QTest::qWait(1500);
        Q_EMIT m_library->lastFailureChanged(); // drawn again, same failure
        QElapsedTimer sinceRedraw;
        sinceRedraw.start();
        QTRY_VERIFY(!m_library->lastFailure().has_value());
        QVERIFY(sinceRedraw.elapsed() < 2950);
    }

    // Against the server: a refused password marks the server failing while
    // the playlists stay cached; a page showing the full-page notice hides the
    // banner, but not once that page is covered; "Try Again" recovers.
    void standingNoticeAndFullPageNotice()
    {
        m_server->setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p","name":"Road"}]})"));
        m_server->setResponse("/rest/getStarred2", TestHttpServer::failed(40, "Wrong username or password"));
        ServerUnavailableTracker tracker;
        ConnectionBannerViewModel banner;
        banner.setLibrary(m_library.get());
        banner.setTracker(&tracker);
        m_library->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_library->hasCachedContent());
        QCOMPARE(banner.kind(), Kind::None);
        m_library->ensureStarredLoaded();
        QTRY_COMPARE(banner.kind(), Kind::Standing);
        QCOMPARE(banner.title(), u"Your server rejected the saved password"_s);

        ServerUnavailableViewModel emptyPage;
        emptyPage.setLibrary(m_library.get());
        emptyPage.setTracker(&tracker);
        QCOMPARE(banner.kind(), Kind::Standing); // the page has content
        emptyPage.setIsEmpty(true);
        QVERIFY(emptyPage.showsNotice());
        QCOMPARE(banner.kind(), Kind::None);
        emptyPage.setPageVisible(false);
        QCOMPARE(banner.kind(), Kind::Standing);

        m_server->setResponse("/rest/ping", TestHttpServer::ok());
        QSignalSpy retrying(&banner, &ConnectionBannerViewModel::isRetryingChanged);
        banner.tryAgain();
        QTRY_COMPARE(banner.kind(), Kind::None);
        QVERIFY(m_library->reachability().isOk());
        QVERIFY(retrying.count() >= 2);
        QVERIFY(!banner.isRetrying());
        QVERIFY(!emptyPage.showsNotice());
    }

    // While the notice is hidden by a full page its wait does not run; the
    // failure gets a new wait when it shows again.
    void hiddenBannerStopsItsWait()
    {
        ServerUnavailableTracker tracker;
        ConnectionBannerViewModel banner;
        banner.setAutoDismissInterval(100);
        banner.setLibrary(m_library.get());
        banner.setTracker(&tracker);
        QObject page;
        tracker.report(&page, true, true);
        m_library->setLastFailure(failure(u"update your likes"_s, ConnectionFault::offline()));
        QCOMPARE(banner.kind(), Kind::None);
        QVERIFY(!banner.isDismissPending());
        QTest::qWait(250);
        QVERIFY(m_library->lastFailure().has_value());

        tracker.report(&page, true, false);
        QCOMPARE(banner.kind(), Kind::Transient);
        QVERIFY(banner.isDismissPending());
        banner.dismiss();
        QVERIFY(!m_library->lastFailure().has_value());
        QVERIFY(!banner.isDismissPending());
    }
};

QTEST_GUILESS_MAIN(TestConnectionBanner)
#include "tst_ConnectionBanner.moc"
