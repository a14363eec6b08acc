// LIRNA_TEST_NEEDS_QML
#include <QAbstractItemModelTester>
#include <QNetworkAccessManager>
#include <QQuickItem>
#include <QQuickStyle>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Albums/AlbumGridViewModel.h"
#include "Components/ArtworkClient.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "Networking/UrlSession.h"
#include "PageContext.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The "Albums" grid over the larger fixture library (130 albums, more than
// two pages): scrolled to its end, it grows by the server's next page,
// appended row by row, until a short page ends the list.
class TestIntegrationAlbumPaging : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager m_manager;
    std::unique_ptr<UrlSession> m_session;
    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_START_PAGE_SUITE(m_server, m_warnings);
        m_session = std::make_unique<UrlSession>(&m_manager, 15'000);
    }

    void albumsPagesThroughTheLibrary()
    {
        const SubsonicClient client(m_server->config(0), m_session.get());
        // The server's whole ordering in one answer, to compare the pages with.
        QStringList expected;
        for (const Album &album : TestAwait::await(client.albums(AlbumListType::AlphabeticalByName, 500, 0)))
            expected.append(album.id);
        QVERIFY2(expected.size() > 2 * LibraryStore::AlbumPageSize
                && expected.size() % LibraryStore::AlbumPageSize != 0,
            "the fixture library must end with a short third page");

        PageHarness harness;
        QVERIFY(harness.start(QSize(900, 640), m_server->config(0)));
        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), m_session.get());
        ArtworkClient artwork(&fetcher);
        artwork.setClient(client);
        ArtworkClient::setCurrent(&artwork);
        const auto restore = qScopeGuard([] { ArtworkClient::setCurrent(nullptr); });

        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Albums)));
        QVERIFY(page);
        auto *grid = page->property("viewModel").value<AlbumGridViewModel *>();
        QVERIFY(grid);
        AlbumListModel *albums = grid->albums();
        QAbstractItemModelTester tester(albums, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(albums, &QAbstractItemModel::modelReset);
        QSignalSpy removals(albums, &QAbstractItemModel::rowsRemoved);
        QSignalSpy insertions(albums, &QAbstractItemModel::rowsInserted);
        QTRY_VERIFY(!grid->isLoading() && albums->count() > 0);
        QCOMPARE(albums->count(), LibraryStore::AlbumPageSize);
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"albumCover"_s));
        UiTest::saveScreenshot(harness.window(), u"album-paging-first.png"_s);

        // Each scroll to the end brings the last tile into view, which asks
        // for one more page; the rows below it stay out of view until the
        // next scroll.
        QQuickItem *view = UiTest::findItem(page, u"albumGrid"_s);
        QList<int> counts {albums->count()};
        while (!harness.library()->albumList(AlbumListType::AlphabeticalByName).reachedEnd
            && counts.size() < 5) {
            QMetaObject::invokeMethod(view, "positionViewAtEnd");
            QTRY_VERIFY(!grid->isLoading()
                && (albums->count() > counts.last()
                    || harness.library()->albumList(AlbumListType::AlphabeticalByName).reachedEnd));
            counts.append(albums->count());
        }
        QCOMPARE(counts, (QList<int> {60, 120, int(expected.size())}));

        // At the end, scrolling asks for nothing more.
        QMetaObject::invokeMethod(view, "positionViewAtBeginning");
        QMetaObject::invokeMethod(view, "positionViewAtEnd");
        QTest::qWait(300);
        QVERIFY(!grid->isLoading());
        QCOMPARE(albums->count(), expected.size());
        UiTest::saveScreenshot(harness.window(), u"album-paging-end.png"_s);

        // Only appends: each insertion starts where the list ended.
        QCOMPARE(resets.count(), 0);
        QCOMPARE(removals.count(), 0);
        QList<QPair<int, int>> inserted;
        for (const QList<QVariant> &signal : insertions)
            inserted.append({signal.at(1).toInt(), signal.at(2).toInt()});
        if (!inserted.isEmpty() && inserted.first().first == 0)
            inserted.removeFirst(); // the first page may have come while the window was shown
        QCOMPARE(inserted, (QList<QPair<int, int>> {{60, 119}, {120, int(expected.size()) - 1}}));

        QStringList shown;
        for (const Album &album : albums->records())
            shown.append(album.id);
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), shown.size());
        QCOMPARE(shown, expected);
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }
};

QTEST_MAIN(TestIntegrationAlbumPaging)
#include "tst_IntegrationAlbumPaging.moc"
