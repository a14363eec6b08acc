// LIRNA_TEST_NEEDS_QML
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPalette>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Home/HomeViewModel.h"
#include "IntegrationServer.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;
using RowDisplay = AlbumCarouselRowModel::Display;

namespace {

// Asks the server for an ordering it does not know in place of `broken`, so
// the server itself answers that row with an error.
class BreakingManager : public QNetworkAccessManager
{
public:
    QString broken;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *data) override
    {
        QUrl url = request.url();
        QUrlQuery query(url);
        if (!broken.isEmpty() && url.path().endsWith(u"/getAlbumList2"_s)
            && query.queryItemValue(u"type"_s) == broken) {
            query.removeAllQueryItems(u"type"_s);
            query.addQueryItem(u"type"_s, u"unheardOf"_s);
            url.setQuery(query);
            QNetworkRequest changed(request);
            changed.setUrl(url);
            return QNetworkAccessManager::createRequest(op, changed, data);
        }
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};

QQuickItem *rowItem(QQuickItem *page, AlbumCarouselRowModel *model)
{
    for (QQuickItem *row : UiTest::itemsOf(page)) {
        if (row->objectName() == u"albumCarouselRow"_s
            && row->property("viewModel").value<QObject *>() == model)
            return row;
    }
    return nullptr;
}

void hover(QQuickWindow *window, QQuickItem *item)
{
    QTest::mouseMove(window, UiTest::centreOf(item));
}

// A wheel turned over the middle of `item`, as the windowing system sends it.
void wheel(QQuickWindow *window, QQuickItem *item, QPoint angleDelta)
{
    const QPointF at = UiTest::centreOf(item);
    QWheelEvent event(at, window->mapToGlobal(at), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    // On the clock of the test's pointer events: a scroller ignores a turn
    // that seems to come before the pointer's last move.
    QTest::lastMouseTimestamp += 100;
    event.setTimestamp(QTest::lastMouseTimestamp);
    QCoreApplication::sendEvent(window, &event);
}

void usePalette(bool dark)
{
    QGuiApplication::setPalette(dark ? UiTest::darkPalette() : QPalette());
}

} // namespace

// Home on the fixture's library: the featured carousel with real covers, the
// four rows as the server fills them, a card's menu, a row paged by its
// arrows, a header opening its grid, and a row the server failed recovering
// through "Retry".
class TestIntegrationHome : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase() { LIRNA_START_PAGE_SUITE(m_server, m_warnings); }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void homeShowsTheLibrary()
    {
        BreakingManager manager;
        UrlSession session(&manager, 15'000);
        const SubsonicClient client(m_server->config(0), &session);
        QHash<AlbumListType, int> expected;
        for (AlbumListType type : {AlbumListType::Recent, AlbumListType::Frequent, AlbumListType::Random})
            expected[type] = int(TestAwait::await(client.albums(type, 20, 0)).size());
        QVERIFY(expected[AlbumListType::Random] >= 5);
        manager.broken = u"newest"_s;

        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), &session);
        ArtworkClient artwork(&fetcher);
        artwork.setClient(client);
        ArtworkClient::setCurrent(&artwork);
        auto restore = qScopeGuard([] { ArtworkClient::setCurrent(nullptr); });

        PageHarness harness;
        harness.useNetworkAccessManager(&manager);
        QVERIFY(harness.start(QSize(1000, 1040), m_server->config(0)));
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Home)));
        QVERIFY(page);
        auto *home = page->property("viewModel").value<HomeViewModel *>();
        QVERIFY(home);
        QQuickWindow &window = *harness.window();
        NavigationModel *navigation = harness.main()->navigation();

        // The carousel, with its blurred cover, and the rows as the server has them.
        FeaturedCarouselViewModel *featured = home->featured();
        QTRY_COMPARE(featured->display(), FeaturedCarouselViewModel::Display::Card);
        QCOMPARE(featured->count(), 5);
        QTRY_VERIFY_WITH_TIMEOUT(!featured->backdrop().isNull(), 10'000);
        const QList<AlbumCarouselRowModel *> rows = home->rows();
        AlbumCarouselRowModel *recent = rows[0], *newest = rows[1], *frequent = rows[2], *random = rows[3];
        QTRY_COMPARE(newest->display(), RowDisplay::Failed);
        QVERIFY(!newest->errorMessage().isEmpty());
        QTRY_COMPARE(frequent->display(), RowDisplay::Albums);
        QCOMPARE(frequent->albums()->count(), expected[AlbumListType::Frequent]);
        QTRY_COMPARE(random->display(), RowDisplay::Albums);
        QCOMPARE(random->albums()->count(), expected[AlbumListType::Random]);
        QTRY_COMPARE(
            recent->display(), expected[AlbumListType::Recent] ? RowDisplay::Albums : RowDisplay::Hidden);
        QTRY_VERIFY(UiTest::findVisibleItem(&window, u"albumCover"_s));

        // A card's menu is the album tile's menu, with "Add to Playlist" and
        // the album's download items, built on the first right click on a tile.
        QQuickItem *frequentRow = rowItem(page, frequent);
        QVERIFY(frequentRow);
        QVERIFY(!frequentRow->findChild<QObject *>(u"albumMenu"_s));
        QQuickItem *card = UiTest::findItem(frequentRow, u"albumCover"_s);
        LIRNA_RIGHT_CLICK(card);
        QObject *menu = frequentRow->findChild<QObject *>(u"albumMenu"_s);
        QVERIFY(menu);
        QTRY_VERIFY(menu->property("opened").toBool());
        // Other suites may have liked it on the shared server.
        const bool liked = frequent->isLiked(card->parentItem()->parentItem()->property("index").toInt());
        QCOMPARE(UiTest::menuTexts(menu),
            (QStringList {u"Play"_s, u"Shuffle"_s, QString(), u"Play Next"_s, u"Play Last"_s, QString(),
                liked ? u"Unlike Album"_s : u"Like Album"_s, u"Add to Playlist"_s, u"Download"_s}));
        QVERIFY(UiTest::saveScreenshot(&window, u"home-row-menu.png"_s));
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(!menu->property("visible").toBool());

        // The carousel's arrows show over the card and page it.
        hover(&window, UiTest::findVisibleItem(&window, u"featuredCard"_s));
        QTRY_VERIFY(UiTest::findVisibleItem(&window, u"featuredNext"_s));
        LIRNA_CLICK(UiTest::findVisibleItem(&window, u"featuredNext"_s));
        QCOMPARE(featured->index(), 1);

        // The failed row: its error line, and "Retry" once the server answers.
        QQuickItem *newestRow = rowItem(page, newest);
        QVERIFY(newestRow);
        QVERIFY(UiTest::findItem(newestRow, u"rowError"_s)->isVisible());
        QTest::qWait(500);
        QVERIFY(UiTest::saveScreenshot(&window, u"home-failed-row.png"_s));
        manager.broken.clear();
        LIRNA_CLICK(UiTest::findItem(newestRow, u"rowRetry"_s));
        QTRY_COMPARE(newest->display(), RowDisplay::Albums);
        QTRY_VERIFY(UiTest::findItem(newestRow, u"rowStrip"_s)->isVisible());

        // A row pages by its arrows while the pointer is over it, and moves
        // with a sideways wheel; in a narrower window its cards overflow.
        page->setSize(QSizeF(760, 600));
        QQuickItem *randomRow = rowItem(page, random);
        auto *strip = UiTest::findItem(randomRow, u"rowStrip"_s);
        QTRY_VERIFY(strip->property("contentWidth").toDouble() > strip->width() + 1);
        // The last row, scrolled into view.
        auto *scroller = UiTest::findItem(page, u"homeScroller"_s);
        const double pageBottom = scroller->property("contentHeight").toDouble() - scroller->height();
        QVERIFY(pageBottom > 0);
        scroller->setProperty("contentY", pageBottom);
        hover(&window, strip);
        QQuickItem *right = UiTest::findItem(randomRow, u"rowScrollRight"_s);
        QQuickItem *left = UiTest::findItem(randomRow, u"rowScrollLeft"_s);
        QTRY_VERIFY(right->isVisible());
        QVERIFY(!left->isVisible());
        LIRNA_CLICK(right);
        // Three cards a page: the strip's end comes first.
        QTRY_COMPARE(strip->property("contentX").toDouble(),
            strip->property("contentWidth").toDouble() - strip->width());
        QTRY_VERIFY(left->isVisible());
        QTRY_VERIFY(!right->isVisible());
        LIRNA_CLICK(left);
        QTRY_COMPARE(strip->property("contentX").toDouble(), 0.0);
        // The upright wheel over the strip scrolls the page and leaves the strip.
        wheel(&window, strip, QPoint(0, 120));
        QTRY_VERIFY(scroller->property("contentY").toDouble() < pageBottom);
        QCOMPARE(strip->property("contentX").toDouble(), 0.0);
        wheel(&window, strip, QPoint(-240, 0));
        QCOMPARE(strip->property("contentX").toDouble(), 120.0);
        scroller->setProperty("contentY", 0);
        page->setSize(window.size());
        QTest::mouseMove(&window, QPoint(2, 2));

        // The detail column's own background, as the main window draws it.
        QTest::qWait(700); // fades and the cross-fade settle
        window.setColor(Qt::white);
        QVERIFY(UiTest::saveScreenshot(&window, u"home-light.png"_s));
        usePalette(true);
        window.setColor(QColor(0x20, 0x20, 0x23));
        QTest::qWait(300);
        QVERIFY(UiTest::saveScreenshot(&window, u"home-dark.png"_s));
        usePalette(false);
        window.setColor(Qt::white);

        // A header opens the full grid of its ordering.
        LIRNA_CLICK(UiTest::findItem(rowItem(page, frequent), u"rowHeader"_s));
        QTRY_COMPARE(navigation->depth(), 1);
        QCOMPARE(navigation->routeAt(1).grid->listType, AlbumListType::Frequent);
        QCOMPARE(navigation->routeAt(1).grid->title, u"Most Played"_s);
        // Pushed over, the carousel stops advancing; back, it starts again.
        QVERIFY(!featured->isAdvancing());
        navigation->popTo(0);
        QVERIFY(featured->isAdvancing());
    }
};

QTEST_MAIN(TestIntegrationHome)
#include "tst_IntegrationHome.moc"
