#include <QImage>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <memory>

#include "Helpers/UI/PageHarness.h"
#include "Home/HomeViewModel.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "PageContext.h"
#include "Support/ArtworkStore.h"
#include "Support/PaletteExtractor.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;
using CardDisplay = FeaturedCarouselViewModel::Display;
using RowDisplay = AlbumCarouselRowModel::Display;

namespace {

// What the loopback server answers: how many albums each ordering holds,
// which orderings fail, and how the featured (size 5) requests behave.
struct Library
{
    QHash<QString, int> counts; // per list type; missing: 30
    QSet<QString> failing; // answered with a server error
    QList<int> featuredDelays; // per featured request in turn; then 0
    int featuredRequests = 0;
    int requests = 0;
};

QByteArray albumsJson(const QString &prefix, int count)
{
    QByteArrayList albums;
    for (int n = 0; n < count; ++n)
        albums << QStringLiteral(R"({"id":"%1-%2","name":"Album %2","artist":"Artist","artistId":"ar-1",)"
                                 R"("coverArt":"%1-%2","year":2020})")
                      .arg(prefix)
                      .arg(n)
                      .toUtf8();
    return "\"albumList2\":{\"album\":[" + albums.join(',') + "]}";
}

void serve(TestHttpServer &server, std::shared_ptr<Library> library)
{
    server.setHandler([library](const TestHttpServer::Request &request) {
        if (request.path() == "/rest/getAlbumList2") {
            ++library->requests;
            const QString type = request.queryValue(u"type"_s);
            if (library->failing.contains(type))
                return TestHttpServer::failed(0, "The list is unavailable");
            const int size = request.queryValue(u"size"_s).toInt();
            int count = std::min(size, library->counts.value(type, 30));
            if (request.queryValue(u"offset"_s).toInt() > 0)
                count = 0;
            TestHttpServer::Response response;
            QString prefix = type;
            if (type == u"random"_s && size == FeaturedCarouselViewModel::FeatureCount) {
                const int turn = library->featuredRequests++;
                response.delayMs = library->featuredDelays.value(turn);
                prefix = u"featured%1"_s.arg(turn);
            }
            const TestHttpServer::Response answer = TestHttpServer::ok(albumsJson(prefix, count));
            response.body = answer.body;
            response.contentType = answer.contentType;
            response.status = answer.status;
            return response;
        }
        if (request.path() == "/rest/getCoverArt") {
            QImage image(64, 64, QImage::Format_RGB32);
            image.fill(QColor(200, 60, 40));
            return TestHttpServer::image(image);
        }
        return TestHttpServer::ok();
    });
}

int requestsOf(const TestHttpServer &server, const QString &type)
{
    int count = 0;
    for (const auto &request : server.requests())
        count += request.path() == "/rest/getAlbumList2" && request.queryValue(u"type"_s) == type;
    return count;
}

// The home page's view model over a loopback library, without its page.
struct Home
{
    PageHarness harness;
    std::shared_ptr<Library> library = std::make_shared<Library>();
    PageContext *context = nullptr;
    HomeViewModel *home = nullptr;

    bool start(int advanceInterval = 60)
    {
        serve(harness.server(), library);
        if (!harness.start())
            return false;
        context = harness.rootContext(SidebarItem::Home);
        home = new HomeViewModel(context, advanceInterval);
        return true;
    }
    FeaturedCarouselViewModel *featured() const { return home->featured(); }
    NavigationModel *navigation() const { return harness.main()->navigation(); }
};

} // namespace

// The home page's view models: the featured carousel's paging, advance,
// loads and accent, and the rows' states, retry and header.
class TestHomeViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagingWraps_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("expected");
        QTest::newRow("previous on the first shows the last") << 5 << 0 << -1 << 4;
        QTest::newRow("next on the last shows the first") << 5 << 4 << 1 << 0;
        QTest::newRow("next") << 5 << 2 << 1 << 3;
        QTest::newRow("one album stays") << 1 << 0 << 1 << 0;
        QTest::newRow("no albums") << 0 << 0 << 1 << 0;
    }
    void pagingWraps()
    {
        QFETCH(int, count);
        QFETCH(int, from);
        QFETCH(int, delta);
        Home home;
        home.library->counts[u"random"_s] = count;
        QVERIFY(home.start(60'000));
        home.home->appear();
        QTRY_VERIFY(home.featured()->display() != CardDisplay::Placeholder);
        QCOMPARE(home.featured()->display(), count ? CardDisplay::Card : CardDisplay::Hidden);
        home.featured()->show(from);
        home.featured()->advance(delta);
        QTEST(home.featured()->index(), "expected");
    }

    void advanceSkipsWhileHoveredAndWraps()
    {
        Home home;
        home.library->counts[u"random"_s] = 3;
        QVERIFY(home.start(50));
        home.home->appear();
        QTRY_COMPARE(home.featured()->count(), 3);
        QVERIFY(home.featured()->isAdvancing());
        QTRY_COMPARE(home.featured()->index(), 1);
        home.featured()->setHovering(true);
        const int held = home.featured()->index();
        QTest::qWait(250);
        QCOMPARE(home.featured()->index(), held);
        QVERIFY(home.featured()->isAdvancing()); // skipping turns, not stopped
        home.featured()->setHovering(false);
        QTRY_COMPARE(home.featured()->index(), (held + 1) % 3);
        QTRY_COMPARE(home.featured()->index(), (held + 2) % 3);
    }

    // The advance runs only on screen, in a shown window, with two albums or more.
    void advanceRunsOnlyWhenItCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("pushed");
        QTest::addColumn<bool>("windowShown");
        QTest::addColumn<bool>("advancing");
        QTest::newRow("five on screen") << 5 << false << true << true;
        QTest::newRow("one album") << 1 << false << true << false;
        QTest::newRow("a page pushed over home") << 5 << true << true << false;
        QTest::newRow("window minimised") << 5 << false << false << false;
    }
    void advanceRunsOnlyWhenItCounts()
    {
        QFETCH(int, count);
        QFETCH(bool, pushed);
        QFETCH(bool, windowShown);
        Home home;
        home.library->counts[u"random"_s] = count;
        QVERIFY(home.start(40));
        home.home->appear();
        QTRY_COMPARE(home.featured()->count(), count);
        if (pushed)
            home.context->pushGrid({AlbumListType::Newest, u"Recently Added"_s});
        home.featured()->setWindowShown(windowShown);
        QTEST(home.featured()->isAdvancing(), "advancing");
        QSignalSpy turns(home.featured(), &FeaturedCarouselViewModel::indexChanged);
        if (home.featured()->isAdvancing())
            QTRY_VERIFY(!turns.isEmpty());
        else
            QTest::qWait(200);
        QCOMPARE(!turns.isEmpty(), home.featured()->isAdvancing());
        // Back on screen in a shown window: the advance starts again.
        home.navigation()->popTo(0);
        home.featured()->setWindowShown(true);
        QCOMPARE(home.featured()->isAdvancing(), count >= 2);
    }

    void aNewAlbumCountRestartsTheAdvance()
    {
        Home home;
        home.library->counts[u"random"_s] = 1;
        QVERIFY(home.start(40));
        home.home->appear();
        QTRY_COMPARE(home.featured()->count(), 1);
        QVERIFY(!home.featured()->isAdvancing());
        home.library->counts[u"random"_s] = 4;
        home.harness.library()->refresh();
        QTRY_COMPARE(home.featured()->count(), 4);
        QVERIFY(home.featured()->isAdvancing());
        QTRY_COMPARE(home.featured()->index(), 1);
    }

    void anEmptyOrFailedLoadCollapses_data()
    {
        QTest::addColumn<bool>("fail");
        QTest::newRow("no albums") << false;
        QTest::newRow("server error") << true;
    }
    void anEmptyOrFailedLoadCollapses()
    {
        QFETCH(bool, fail);
        Home home;
        home.library->counts[u"random"_s] = 0;
        if (fail)
            home.library->failing.insert(u"random"_s);
        QVERIFY(home.start());
        QCOMPARE(home.featured()->display(), CardDisplay::Placeholder);
        home.home->appear();
        QTRY_COMPARE(home.featured()->display(), CardDisplay::Hidden);
        QVERIFY(!home.featured()->isAdvancing());
    }

    // A refresh while the featured albums load: the old load is cancelled and
    // whatever it ends with never replaces the new albums.
    void aSupersededLoadIsDropped()
    {
        Home home;
        home.library->featuredDelays = {400, 100};
        QVERIFY(home.start(60'000));
        home.home->appear();
        QTRY_COMPARE(home.library->featuredRequests, 1);
        QList<CardDisplay> shown;
        connect(home.featured(), &FeaturedCarouselViewModel::displayChanged, home.featured(),
            [&] { shown << home.featured()->display(); });
        home.harness.library()->refresh();
        QTRY_COMPARE(home.featured()->display(), CardDisplay::Card);
        QCOMPARE(home.featured()->currentAlbum()->id, u"featured1-0"_s);
        QTest::qWait(500); // past the first answer's delay
        // The cancelled load never emptied the carousel, before or after.
        QCOMPARE(shown, QList<CardDisplay> {CardDisplay::Card});
        QCOMPARE(home.featured()->count(), 5);
        QCOMPARE(home.featured()->currentAlbum()->id, u"featured1-0"_s);
    }

    void aRefreshKeepsTheOldCardsAtTheFirst()
    {
        Home home;
        home.library->featuredDelays = {0, 300};
        QVERIFY(home.start(60'000));
        home.home->appear();
        QTRY_COMPARE(home.featured()->count(), 5);
        home.featured()->show(3);
        home.harness.library()->refresh();
        QCOMPARE(home.featured()->index(), 0);
        QCOMPARE(home.featured()->display(), CardDisplay::Card);
        QCOMPARE(home.featured()->currentAlbum()->id, u"featured0-0"_s);
        QTRY_COMPARE(home.featured()->currentAlbum()->id, u"featured1-0"_s);
    }

    void theShownCoverGivesBackdropAndAccent()
    {
        Home home;
        QVERIFY(home.start(60'000));
        home.home->appear();
        QTRY_COMPARE(home.featured()->count(), 5);
        QImage cover(64, 64, QImage::Format_RGB32);
        cover.fill(QColor(30, 90, 200));
        home.featured()->coverImage(2, cover); // not the shown card
        QTest::qWait(50);
        QVERIFY(home.featured()->backdrop().isNull());
        QVERIFY(!home.featured()->hasPalette());

        home.featured()->coverImage(0, cover);
        QTRY_VERIFY(!home.featured()->backdrop().isNull());
        QCOMPARE(home.featured()->backdrop().size(), QSize(48, 48));
        QVERIFY(home.featured()->hasPalette());
        QCOMPARE(home.navigation()->windowAccent(), home.featured()->accent());
        QVERIFY(home.featured()->scrim() >= 0.38);

        // Another album without a cached palette: no accent, default buttons.
        home.featured()->show(1);
        QVERIFY(!home.featured()->hasPalette());
        QVERIFY(!home.navigation()->windowAccent().isValid());
        QCOMPARE(home.featured()->playFill(), QColor(Qt::white));
        QCOMPARE(home.featured()->scrim(), 0.38);
        // Back to the first: its palette comes from the cache at once.
        home.featured()->show(0);
        QVERIFY(home.featured()->hasPalette());

        // Pushed over and back: the accent is sent again.
        home.context->pushGrid({AlbumListType::Newest, u"Recently Added"_s});
        home.navigation()->reportPageAccent(QColor());
        home.navigation()->popTo(0);
        QCOMPARE(home.navigation()->windowAccent(), home.featured()->accent());
    }

    void firstVisitLoadsEveryRowAndARevisitNone()
    {
        Home home;
        home.library->counts[u"newest"_s] = 60;
        home.library->counts[u"frequent"_s] = 0;
        QVERIFY(home.start(60'000));
        const auto rows = home.home->rows();
        QCOMPARE(rows.size(), 4);
        for (AlbumCarouselRowModel *row : rows)
            QCOMPARE(row->display(), RowDisplay::Hidden); // before any load starts
        home.home->appear();
        for (AlbumCarouselRowModel *row : rows)
            QCOMPARE(row->display(), RowDisplay::Loading);
        QTRY_COMPARE(rows[0]->display(), RowDisplay::Albums);
        QTRY_COMPARE(rows[3]->display(), RowDisplay::Albums);
        QTRY_COMPARE(rows[2]->display(), RowDisplay::Hidden); // loaded empty
        QCOMPARE(rows[1]->albums()->count(), AlbumCarouselRowModel::MaxCards); // 60 held, 20 shown
        QCOMPARE(rows[3]->albums()->count(), 20);
        for (const QString type : {u"recent"_s, u"newest"_s, u"frequent"_s})
            QCOMPARE(requestsOf(home.harness.server(), type), 1);

        home.home->appear();
        QTest::qWait(100);
        for (const QString type : {u"recent"_s, u"newest"_s})
            QCOMPARE(requestsOf(home.harness.server(), type), 1);
        // A list that loaded empty to its end is not fetched again either.
        QCOMPARE(requestsOf(home.harness.server(), u"frequent"_s), 1);
    }

    void aFailedRowOffersRetry()
    {
        Home home;
        home.library->failing.insert(u"recent"_s);
        QVERIFY(home.start(60'000));
        home.home->appear();
        AlbumCarouselRowModel *row = home.home->rows().first();
        QTRY_COMPARE(row->display(), RowDisplay::Failed);
        QVERIFY(row->errorMessage().contains(u"The list is unavailable"_s));
        home.library->failing.clear();
        row->retry();
        QCOMPARE(row->display(), RowDisplay::Loading);
        QTRY_COMPARE(row->display(), RowDisplay::Albums);
        QVERIFY(row->errorMessage().isEmpty());
    }

    void headersOpenTheirGrids_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("listType");
        QTest::addColumn<QString>("title");
        QTest::newRow("recently played") << 0 << u"recent"_s << u"Recently Played"_s;
        QTest::newRow("recently added") << 1 << u"newest"_s << u"Recently Added"_s;
        QTest::newRow("most played") << 2 << u"frequent"_s << u"Most Played"_s;
        QTest::newRow("random albums") << 3 << u"random"_s << u"Random Albums"_s;
    }
    void headersOpenTheirGrids()
    {
        QFETCH(int, row);
        QFETCH(QString, listType);
        QFETCH(QString, title);
        Home home;
        QVERIFY(home.start(60'000));
        home.home->rows().at(row)->openGrid();
        QCOMPARE(home.navigation()->depth(), 1);
        const auto grid = home.navigation()->routeAt(1).grid;
        QVERIFY(grid);
        QCOMPARE(AlbumListTypes::rawValue(grid->listType), listType);
        QCOMPARE(grid->title, title);
    }
};

QTEST_MAIN(TestHomeViewModel)
#include "tst_HomeViewModel.moc"
