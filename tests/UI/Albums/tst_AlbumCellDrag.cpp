#include <QBuffer>
#include <QImage>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <algorithm>

#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "SidebarSelection.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

const QColor CoverColour(190, 40, 150);

QByteArray albumJson(int n)
{
    return u"{\"id\":\"al-%1\",\"name\":\"Album %1\",\"artist\":\"Artist\",\"coverArt\":\"al-%1\"}"_s.arg(n)
        .toUtf8();
}

// Six albums with one flat cover colour, and empty answers for the rest.
TestHttpServer::Response answer(const TestHttpServer::Request &request)
{
    if (request.path() == "/rest/getAlbumList2") {
        QByteArrayList albums;
        if (request.queryValue(u"offset"_s).toInt() == 0) {
            for (int n = 0; n < 6; ++n)
                albums << albumJson(n);
        }
        return TestHttpServer::ok("\"albumList2\":{\"album\":[" + albums.join(',') + "]}");
    }
    if (request.path() == "/rest/getCoverArt") {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(CoverColour);
        TestHttpServer::Response response;
        QBuffer buffer(&response.body);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        response.contentType = "image/png";
        return response;
    }
    return TestHttpServer::ok();
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8
        && std::abs(a.blue() - b.blue()) <= 8;
}

} // namespace

// An album tile dragged out of the grid in the main window: its cover
// travels with the pointer above the sidebar, drawn whole, and lands on the
// playlist row.
class TestAlbumCellDrag : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Basic"_s);
        m_warnings.install();
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void coverTravelsAboveTheSidebar()
    {
        PageHarness harness;
        harness.server().setHandler(answer);
        harness.server().setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Road Trip"}]})"));
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(harness.load(u"MainView.qml"_s, {{u"viewModel"_s, QVariant::fromValue(harness.main())}}));
        harness.main()->navigation()->setSelection(SidebarSelection::item(SidebarItem::Albums));
        harness.library()->ensurePlaylistsLoaded();
        QQuickWindow *window = harness.window();
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = UiTest::findVisibleItem(window, u"playlistRow_p1"_s)));
        QQuickItem *cover = nullptr;
        QTRY_VERIFY((cover = UiTest::findVisibleItem(window, u"albumCover"_s)));
        // The tile's own cover comes from the server, so the preview is a
        // memory-cache hit.
        const QPoint inCover = cover->mapToScene(QPointF(40, 40)).toPoint();
        QTRY_VERIFY(near(window->grabWindow().pixelColor(inCover), CoverColour));
        QQuickItem *preview = UiTest::findItem(window, u"albumDragPreview"_s);
        QVERIFY(preview && !preview->isVisible());

        const QPoint to = row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint();
        QTest::mousePress(window, Qt::LeftButton, {}, inCover);
        constexpr int Steps = 16;
        for (int step = 1; step <= Steps; ++step) {
            QTest::mouseMove(window, inCover + (to - inCover) * step / Steps);
            QTest::qWait(10);
        }
        QTRY_VERIFY(preview->isVisible());
        const QRectF drawn = preview->mapRectToScene(preview->boundingRect());
        QQuickItem *sidebar = UiTest::findItem(window, u"Sidebar"_s);
        const QRectF sidebarRect = sidebar->mapRectToScene(sidebar->boundingRect());
        QVERIFY(sidebarRect.contains(drawn.center()));
        QTRY_VERIFY(near(window->grabWindow().pixelColor(drawn.center().toPoint()), CoverColour));
        UiTest::saveScreenshot(window, u"album-drag-over-sidebar.png"_s);

        // Centred on the row, the drop adds the album's songs to the playlist.
        QQuickItem *dropArea = UiTest::findItem(row, u"albumDropArea"_s);
        const QPoint release = to + (to - drawn.center().toPoint());
        QTest::mouseMove(window, release);
        QTRY_VERIFY(dropArea->property("containsDrag").toBool());
        QTest::mouseRelease(window, Qt::LeftButton, {}, release);
        QTRY_VERIFY(!preview->isVisible());
        const auto fetched = [&] {
            const auto requests = harness.server().requests();
            return std::any_of(requests.cbegin(), requests.cend(),
                [](const TestHttpServer::Request &request) { return request.path() == "/rest/getAlbum"; });
        };
        QTRY_VERIFY(fetched());
    }
};

QTEST_MAIN(TestAlbumCellDrag)
#include "tst_AlbumCellDrag.moc"
