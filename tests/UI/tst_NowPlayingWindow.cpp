#include <QGuiApplication>
#include <QPalette>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <functional>

#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "NowPlayingFixture.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;
using Check = std::function<bool(PlayerController *)>;
Q_DECLARE_METATYPE(Check)

namespace {

// The main window's content over the harness, with a short-lived failure notice.
QQuickItem *loadWindow(PageHarness &harness, int bannerInterval = 6000)
{
    return harness.loadMainView({{u"bannerAutoDismissInterval"_s, bannerInterval}});
}

void playFourSongs(PageHarness &harness)
{
    harness.player()->play(
        NowPlayingFixture::songs(4), harness.main()->client(), 1, PlaybackSource::album(u"al"_s, u"Album"_s));
}

QQuickItem *item(PageHarness &harness, const QString &name)
{
    return UiTest::findVisibleItem(harness.window(), name);
}

} // namespace

// The now-playing bar and the connection banner in the real main window:
// real clicks on the bar act on the engine and the server, the space bar
// still reaches the window afterwards, and a failure notice leaves by itself.
class tst_NowPlayingWindow : public QObject
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

    void barFloatsOverTheDetailColumn_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void barFloatsOverTheDetailColumn()
    {
        QFETCH(bool, dark);
        const QPalette before = QGuiApplication::palette();
        const auto restore = qScopeGuard([&] { QGuiApplication::setPalette(before); });
        if (dark)
            QGuiApplication::setPalette(UiTest::darkPalette());
        const QString look = dark ? u"-dark"_s : u""_s;
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QQuickItem *view = loadWindow(harness);
        QVERIFY(view);
        QQuickItem *bar = item(harness, u"nowPlayingBar"_s);
        QVERIFY(bar);
        const QRectF barRect = bar->mapRectToScene(bar->boundingRect());
        const QRectF stack = UiTest::findItem(view, u"detailStack"_s)->mapRectToScene(QRectF(0, 0, 1, 1));
        QCOMPARE(barRect.bottom(), qreal(640));
        QCOMPARE(barRect.left(), stack.left());
        // Without a song nothing in the bar can act.
        for (const QString &name : {u"playPauseButton"_s, u"nextButton"_s, u"likeButton"_s})
            QVERIFY2(!item(harness, name)->isEnabled(), qPrintable(name));
        UiTest::saveScreenshot(harness.window(), u"window-bar-no-song%1.png"_s.arg(look));

        playFourSongs(harness);
        QTRY_VERIFY(item(harness, u"playPauseButton"_s)->isEnabled());
        QVERIFY(item(harness, u"nowPlayingCover"_s));
        QCOMPARE(item(harness, u"nowPlayingCover"_s)->property("coverArt").toString(), u"al"_s);
        UiTest::saveScreenshot(harness.window(), u"window-bar-playing%1.png"_s.arg(look));

        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow0"_s));
        QTest::qWait(200);
        UiTest::saveScreenshot(harness.window(), u"window-bar-up-next%1.png"_s.arg(look));
        // The button closes what it opened.
        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(!item(harness, u"upNextRow0"_s));

        // The album link pushes the album page through the navigation.
        LIRNA_CLICK(item(harness, u"nowPlayingArtwork"_s));
        QTRY_COMPARE(harness.main()->navigation()->depth(), 1);
    }

    void buttonsActOnTheEngine_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Check>("check");
        QTest::newRow("play/pause") << u"playPauseButton"_s
                                    << Check([](PlayerController *p) { return !p->isPlaying(); });
        QTest::newRow("next") << u"nextButton"_s
                              << Check([](PlayerController *p) { return p->currentSong()->id == u"s3"_s; });
        QTest::newRow("previous") << u"previousButton"_s << Check([](PlayerController *p) {
            return p->currentSong()->id == u"s1"_s;
        });
        QTest::newRow("shuffle") << u"shuffleButton"_s
                                 << Check([](PlayerController *p) { return p->isShuffling(); });
        QTest::newRow("repeat") << u"repeatButton"_s << Check([](PlayerController *p) {
            return p->repeatMode() == RepeatMode::All;
        });
        QTest::newRow("mute") << u"volumeSpeaker"_s
                              << Check([](PlayerController *p) { return p->volume() == 0.0f; });
        QTest::newRow("scrub") << u"progressTrack"_s
                               << Check([](PlayerController *p) { return qAbs(p->currentTime() - 100) < 5; });
    }

    void buttonsActOnTheEngine()
    {
        QFETCH(QString, button);
        QFETCH(Check, check);
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness));
        playFourSongs(harness);
        PlayerController *player = harness.player();
        QTRY_VERIFY(player->isPlaying());
        QTRY_VERIFY(item(harness, button) && item(harness, button)->isEnabled()
            && item(harness, button)->width() > 0);

        LIRNA_CLICK(item(harness, button));
        QTRY_VERIFY(check(player));

        // The bar's buttons never take the keyboard: Space still plays and pauses.
        const bool playing = player->isPlaying();
        QTest::keyClick(harness.window(), Qt::Key_Space);
        QTRY_COMPARE(player->isPlaying(), !playing);
    }

    void likeSendsTheStar()
    {
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness));
        playFourSongs(harness);
        QTRY_VERIFY(item(harness, u"likeButton"_s)->isEnabled());
        harness.server().clearRequests();
        LIRNA_CLICK(item(harness, u"likeButton"_s));
        QTRY_VERIFY(harness.library()->starredIds().contains(u"s2"_s));
        const auto starSent = [&] {
            const QList<TestHttpServer::Request> requests = harness.server().requests();
            return std::any_of(requests.cbegin(), requests.cend(), [](const TestHttpServer::Request &r) {
                return r.path().endsWith("/star") && r.queryValue(u"id"_s) == u"s2"_s;
            });
        };
        QTRY_VERIFY(starSent());
    }

    void upNextPlaysAndClears()
    {
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness));
        playFourSongs(harness);
        PlayerController *player = harness.player();
        QTRY_VERIFY(item(harness, u"upNextButton"_s)->isEnabled());

        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow1"_s));
        QTest::qWait(200);
        // The second row after the current song is s4.
        QQuickItem *row = item(harness, u"upNextRow1"_s);
        const QPoint centre = UiTest::centreOf(row);
        QTest::mouseDClick(harness.window(), Qt::LeftButton, {}, centre);
        QTRY_COMPARE(player->currentSong()->id, u"s4"_s);

        playFourSongs(harness);
        if (!harness.main()->nowPlaying()->showQueue())
            LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextClear"_s));
        LIRNA_CLICK(item(harness, u"upNextClear"_s));
        QTRY_VERIFY(player->upNext().isEmpty());
        QCOMPARE(player->currentSong()->id, u"s2"_s);
    }

    // In the smallest main window the popover still fits, whole, above the
    // button: a short queue gets the list's least height, a long one its most.
    void upNextFitsTheSmallestWindow_data()
    {
        QTest::addColumn<int>("songs");
        QTest::addColumn<qreal>("listHeight");
        QTest::newRow("two queued") << 4 << 240.0;
        QTest::newRow("thirty queued") << 32 << 320.0;
    }

    void upNextFitsTheSmallestWindow()
    {
        QFETCH(int, songs);
        QFETCH(qreal, listHeight);
        const QSize smallest(900, 560);
        PageHarness harness;
        QVERIFY(harness.start(smallest));
        QVERIFY(loadWindow(harness));
        harness.player()->play(NowPlayingFixture::songs(songs), harness.main()->client(), 1,
            PlaybackSource::album(u"al"_s, u"Album"_s));
        QTRY_VERIFY(item(harness, u"upNextButton"_s)->isEnabled());
        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow0"_s));
        QQuickItem *list = item(harness, u"upNextList"_s);
        QVERIFY(list);
        QTRY_COMPARE(list->height(), listHeight);
        QTest::qWait(200);
        QQuickItem *panel = list->parentItem()->parentItem();
        const QRectF drawn = panel->mapRectToScene(panel->boundingRect());
        QVERIFY2(QRectF(QPointF(0, 0), smallest).contains(drawn),
            qPrintable(
                u"%1,%2 %3x%4"_s.arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height())));
        QVERIFY(drawn.contains(list->mapRectToScene(list->boundingRect())));
        QQuickItem *button = item(harness, u"upNextButton"_s);
        QVERIFY(drawn.bottom() <= button->mapToScene(QPointF(0, 0)).y());
        UiTest::saveScreenshot(harness.window(), u"window-up-next-%1.png"_s.arg(songs));
    }

    // Dragging the divider moves the bar and the notice with the detail
    // column, in a short slide rather than a jump.
    void barSlidesWithTheDivider()
    {
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QQuickItem *view = loadWindow(harness);
        QVERIFY(view);
        QQuickItem *bar = item(harness, u"nowPlayingBar"_s);
        QQuickItem *stack = UiTest::findItem(view, u"detailStack"_s);
        QVERIFY(bar && stack);
        const auto left = [](QQuickItem *i) { return i->mapToScene(QPointF(0, 0)).x(); };
        const qreal before = left(stack);
        QCOMPARE(left(bar), before);

        const QPoint grip(int(before) - 1, 320);
        QTest::mousePress(harness.window(), Qt::LeftButton, {}, grip);
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(harness.window(), grip + QPoint(10 * step, 0));
        QTest::mouseRelease(harness.window(), Qt::LeftButton, {}, grip + QPoint(60, 0));
        const qreal after = left(stack);
        QVERIFY2(after > before + 40, qPrintable(QString::number(after)));
        QVERIFY(left(bar) < after);
        QTRY_COMPARE(left(bar), after);
        QCOMPARE(left(UiTest::findItem(view, u"ConnectionBanner"_s)), after);
    }

    void failureNoticeLeavesByItself()
    {
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness, 700));
        QQuickItem *card = UiTest::findItem(harness.window(), u"bannerCard"_s);
        QVERIFY(card && !card->isVisible());

        harness.library()->setLastFailure(
            StoreFailure(QUuid::createUuid(), u"load the albums"_s, ConnectionFault::server(u"Boom"_s)));
        QTRY_VERIFY(card->isVisible());
        QTest::qWait(320);
        UiTest::saveScreenshot(harness.window(), u"window-banner.png"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!card->isVisible(), 20000);
        QVERIFY(!harness.library()->lastFailure());
    }
};

QTEST_MAIN(tst_NowPlayingWindow)
#include "tst_NowPlayingWindow.moc"
