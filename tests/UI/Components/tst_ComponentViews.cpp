#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "ConnectionBannerViewModel.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "SearchDropdownController.h"
#include "ServerUnavailableTracker.h"
#include "ServerUnavailableViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The connection banner, the full-page notice and the search panel drawn
// offscreen in one window: they load without a warning, follow their models
// and hand clicks back to them.
class TestComponentViews : public QObject
{
    Q_OBJECT

    static QQuickItem *find(QQuickItem *item, const QString &name)
    {
        if (item->objectName() == name)
            return item;
        for (QQuickItem *child : item->childItems()) {
            if (QQuickItem *found = find(child, name))
                return found;
        }
        return nullptr;
    }

    static void click(QQuickWindow *window, QQuickItem *item)
    {
        QVERIFY(item);
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
    }

private Q_SLOTS:
    void initTestCase() { QQuickStyle::setStyle(u"Fusion"_s); }

    void views()
    {
        QTest::failOnWarning(QRegularExpression(u".+"_s));
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setResponse("/rest/search3",
            TestHttpServer::ok(R"("searchResult3":{"artist":[{"id":"ar","name":"Ann"}],)"
                               R"("album":[{"id":"al","name":"Blue","artist":"Ann"}]})"));
        LibraryStore library(LibraryFixtures::clientFor(server));
        ServerUnavailableTracker tracker;
        ConnectionBannerViewModel banner;
        banner.setLibrary(&library);
        banner.setTracker(&tracker);
        ServerUnavailableViewModel notice;
        notice.setLibrary(&library);
        notice.setIsEmpty(true);
        SearchDropdownController search;
        search.setClient(LibraryFixtures::clientFor(server));
        search.setDebounce(std::chrono::milliseconds(10));

        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            import Lirna.UI
            Window {
                required property ConnectionBannerViewModel banner
                required property ServerUnavailableViewModel notice
                required property SearchDropdownController search
                width: 1000; height: 700; visible: true
                ServerUnavailableView { anchors.fill: parent; viewModel: notice }
                ConnectionBanner { width: parent.width; viewModel: banner }
                TextField {
                    objectName: "field"; x: 700; y: 10; width: 200
                    SearchPanel { controller: search }
                }
            })",
            QUrl(u"qrc:/ComponentViews.qml"_s));
        std::unique_ptr<QObject> root(
            component.createWithInitialProperties({{u"banner"_s, QVariant::fromValue(&banner)},
                {u"notice"_s, QVariant::fromValue(&notice)}, {u"search"_s, QVariant::fromValue(&search)}}));
        QVERIFY2(root, qPrintable(component.errorString()));
        auto *window = qobject_cast<QQuickWindow *>(root.get());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QQuickItem *content = window->contentItem();

        QVERIFY(!find(content, u"ServerUnavailableView"_s)->isVisible()); // the server is fine
        int retries = 0;
        library.setLastFailure(StoreFailure(QUuid::createUuid(), u"rename the playlist"_s,
            ConnectionFault::offline(), [&retries]() -> QCoro::Task<> {
                ++retries;
                co_return;
            }));
        QTRY_VERIFY(find(content, u"bannerCard"_s)->isVisible());
        // Orange when the server can't be reached, not the red of a destructive action.
        const QColor tint = find(content, u"bannerCard"_s)->property("tint").value<QColor>();
        QVERIFY2(tint.hueF() > 0.05 && tint.hueF() < 0.12, qPrintable(tint.name()));
        QVERIFY(find(content, u"retryButton"_s)->isVisible());
        QVERIFY(!find(content, u"tryAgainButton"_s)->isVisible());
        // A soft shadow falls just below the card.
        QQuickItem *card = find(content, u"bannerCard"_s);
        QTRY_COMPARE(card->y(), 10.0);
        const QImage shot = window->grabWindow();
        const auto grey = [&](qreal below) {
            const QPointF at = card->mapToScene(QPointF(card->width() / 2, card->height() + below));
            return qGray(shot.pixel((at * shot.devicePixelRatio()).toPoint()));
        };
        QVERIFY2(grey(3) < grey(40) - 8, qPrintable(u"%1 %2"_s.arg(grey(3)).arg(grey(40))));

        // While the card slides out (a page's full notice took over), Retry
        // and Dismiss take clicks but do nothing.
        QObject page;
        tracker.report(&page, true, true);
        QVERIFY(!banner.shown());
        click(window, find(content, u"retryButton"_s));
        click(window, find(content, u"dismissButton"_s));
        QVERIFY(card->isVisible());
        QCOMPARE(retries, 0);
        QVERIFY(library.lastFailure().has_value());
        QTRY_VERIFY(!card->isVisible());
        tracker.report(&page, true, false);
        QTRY_COMPARE(card->y(), 10.0);

        // Dismissed, it slides out as it was: same texts, same height.
        QQuickItem *title = find(content, u"bannerTitle"_s);
        const QString said = title->property("text").toString();
        QVERIFY(!said.isEmpty());
        QSignalSpy resized(card, &QQuickItem::heightChanged);
        click(window, find(content, u"dismissButton"_s));
        QVERIFY(!library.lastFailure().has_value());
        QVERIFY(card->isVisible());
        QTRY_VERIFY(!card->isVisible());
        QCOMPARE(title->property("text").toString(), said);
        QVERIFY(banner.showsRetry());
        QCOMPARE(resized.count(), 0);

        search.fieldFocusChanged(true);
        search.handle(u"an"_s);
        QTRY_VERIFY(find(content, u"suggestionList"_s) && find(content, u"suggestionList"_s)->isVisible());
        QQuickItem *list = find(content, u"suggestionList"_s);
        QTRY_COMPARE(list->property("count").toInt(), 2);
        QSignalSpy albums(&search, &SearchDropdownController::openAlbumRequested);
        QTest::qWait(50); // the list lays its rows out
        const QPointF secondRow = list->mapToScene(QPointF(list->width() / 2, 6 + 42 + 46 + 42 + 23));
        QTest::mouseClick(window, Qt::LeftButton, {}, secondRow.toPoint());
        QTRY_COMPARE(albums.count(), 1);
        QVERIFY(!search.isOpen());
    }
};

QTEST_MAIN(TestComponentViews)
#include "tst_ComponentViews.moc"
