#include <QAccessible>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPalette>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <algorithm>
#include <functional>

#include "Components/ConnectionBannerViewModel.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "NowPlaying/ProgressStripViewModel.h"
#include "NowPlaying/VolumeControlViewModel.h"
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

ConnectionBannerViewModel *bannerModel(PageHarness &harness)
{
    QQuickItem *view = UiTest::findItem(harness.window(), u"ConnectionBanner"_s);
    return view ? qobject_cast<ConnectionBannerViewModel *>(view->property("viewModel").value<QObject *>())
                : nullptr;
}

// The pixels of `rect` (scene points) in `shot` that differ from `colour` by
// more than `tolerance` in a channel.
int pixelsOff(const QImage &shot, const QRectF &rect, const QColor &colour, int tolerance)
{
    const qreal ratio = shot.devicePixelRatio();
    const QRect pixels = QRectF(rect.topLeft() * ratio, rect.size() * ratio).toAlignedRect() & shot.rect();
    int off = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            off += std::max({qAbs(c.red() - colour.red()), qAbs(c.green() - colour.green()),
                       qAbs(c.blue() - colour.blue())})
                > tolerance;
        }
    }
    return off;
}

// The colour most pixels of `rect` have: the page's, where text lies on it.
QColor commonColour(const QImage &shot, const QRectF &rect)
{
    const qreal ratio = shot.devicePixelRatio();
    const QRect pixels = QRectF(rect.topLeft() * ratio, rect.size() * ratio).toAlignedRect() & shot.rect();
    QHash<QRgb, int> counts;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            ++counts[shot.pixel(x, y)];
    QRgb common = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(common))
            common = it.key();
    return QColor::fromRgb(common);
}

// Whether `surface` hides what lies under `rects`: `before` (taken without
// the surface) shows text there, `shot` only the surface's own colour.
QString hides(const QImage &before, const QImage &shot, const QList<QRectF> &rects, QQuickItem *surface)
{
    const QColor fill = surface->property("color").value<QColor>();
    int text = 0;
    int through = 0;
    for (const QRectF &rect : rects) {
        text += pixelsOff(before, rect, commonColour(before, rect), 40);
        through += pixelsOff(shot, rect, fill, 2);
    }
    return text > 10 && through == 0
        ? QString()
        : u"%1: %2 text pixels under it, %3 pixels not its colour %4"_s.arg(surface->objectName())
              .arg(text)
              .arg(through)
              .arg(fill.name());
}

QStringList upNextIds(PlayerController *player)
{
    QStringList ids;
    for (const Song &song : player->upNext())
        ids.append(song.id);
    return ids;
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
        // A table of songs under the bar, whose texts must not read through it.
        QByteArray table;
        for (int n = 1; n <= 40; ++n)
            table += (n > 1 ? "," : "")
                + u"{\"id\":\"t%1\",\"title\":\"A Rather Long Song Title Number %1\",\"artist\":\"Somebody\","
                  "\"album\":\"Some Album\",\"duration\":200}"_s.arg(n)
                      .toUtf8();
        harness.server().setResponse(
            "/rest/search3", TestHttpServer::ok("\"searchResult3\":{\"song\":[" + table + "]}"));
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

        harness.main()->navigation()->setSelection(SidebarSelection::item(SidebarItem::Songs));
        QTRY_VERIFY(item(harness, u"songCell_0_0"_s));
        QQuickWindow *window = harness.window();
        // Short names in a roomy bar show whole.
        QList<Song> songs = NowPlayingFixture::songs(4);
        // Widths of a fraction of a point over the whole.
        songs[1].title = u"Hi"_s;
        songs[1].artist = u"The Lumineers of Old"_s;
        songs[1].album = u"Second Winter Light"_s;
        harness.player()->play(
            songs, harness.main()->client(), 1, PlaybackSource::album(u"al"_s, u"Album"_s));
        QTRY_VERIFY(item(harness, u"nowPlayingAlbumLink"_s));
        QTRY_COMPARE(item(harness, u"nowPlayingAlbumLink"_s)->property("text").toString(), songs[1].album);
        // A frame drawn after the new names: the layouts have placed them.
        QSignalSpy frame(window, &QQuickWindow::frameSwapped);
        window->update();
        QVERIFY(frame.wait());
        qreal textEnd = 0;
        for (const QString &name :
            {u"nowPlayingTitleLink"_s, u"nowPlayingArtistLink"_s, u"nowPlayingAlbumLink"_s}) {
            QQuickItem *link = item(harness, name);
            QVERIFY2(link, qPrintable(name));
            QQuickItem *label = link->property("contentItem").value<QQuickItem *>();
            QVERIFY2(!label->property("truncated").toBool(), qPrintable(name));
            QCOMPARE(label->property("contentWidth").toReal(), label->implicitWidth());
            textEnd = std::max(textEnd, label->mapToScene(QPointF(label->implicitWidth(), 0)).x());
        }

        // The capsule hides the table's text where the song line leaves
        // room, the popover where its list does, the volume capsule the
        // bar's buttons it opens over.
        QQuickItem *capsule = item(harness, u"barCapsule"_s);
        QQuickItem *songLine = item(harness, u"nowPlayingArtwork"_s)->parentItem();
        const QRectF line = songLine->mapRectToScene(songLine->boundingRect());
        const QRectF clear(textEnd + 8, line.top() + 2, line.right() - textEnd - 12, line.height() - 4);
        capsule->setOpacity(0);
        const QImage bare = window->grabWindow();
        capsule->setOpacity(1);
        QString failure = hides(bare, window->grabWindow(), {clear}, capsule);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));

        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow1"_s));
        QQuickItem *list = item(harness, u"upNextList"_s);
        QTRY_COMPARE(list->height(), 240.0);
        QTest::qWait(200); // the popover grows in
        QQuickItem *panel = item(harness, u"upNextBackground"_s);
        const QRectF below
            = list->mapRectToScene(QRectF(4, 2 * 40 + 4, list->width() - 8, list->height() - 88));
        panel->setOpacity(0);
        const QImage underPanel = window->grabWindow();
        panel->setOpacity(1);
        failure = hides(underPanel, window->grabWindow(), {below}, panel);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(!item(harness, u"upNextRow0"_s));

        QQuickItem *volume = UiTest::findItem(window, u"volumeCapsule"_s);
        const QImage folded = window->grabWindow();
        QTest::mouseMove(window, UiTest::centreOf(item(harness, u"volumeSpeaker"_s)));
        QTRY_COMPARE(volume->opacity(), 1.0);
        QTRY_COMPARE(volume->mapRectToScene(volume->boundingRect()).width(), volume->width());
        // Above and below the groove, right of the rounded end.
        failure = hides(folded, window->grabWindow(),
            {volume->mapRectToScene(QRectF(16, 2, 82, 12)), volume->mapRectToScene(QRectF(16, 18, 82, 12))},
            volume);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QTest::mouseMove(window, QPoint(500, 200));
        QTRY_VERIFY(!harness.main()->nowPlaying()->volume()->sliderShown());

        // A 120-character artist and album elide within the song's column,
        // clear of the buttons beside it.
        songs = NowPlayingFixture::songs(4);
        songs[1].artist = QString(120, u'A');
        songs[1].album = QString(120, u'B');
        harness.player()->play(
            songs, harness.main()->client(), 1, PlaybackSource::album(u"al"_s, u"Album"_s));
        QTRY_VERIFY(item(harness, u"playPauseButton"_s)->isEnabled());
        QQuickItem *album = item(harness, u"nowPlayingAlbumLink"_s);
        QQuickItem *column = album ? album->parentItem()->parentItem() : nullptr;
        QVERIFY(column);
        const qreal end = column->mapToScene(QPointF(column->width(), 0)).x();
        QVERIFY(end <= item(harness, u"likeButton"_s)->mapToScene(QPointF(0, 0)).x());
        QTRY_VERIFY(album->mapToScene(QPointF(album->width(), 0)).x() <= end);
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

    void upNextUnderKeysAndPointer_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("abandon");
        QTest::newRow("Delete, Escape") << int(Qt::Key_Delete) << u"Escape"_s;
        QTest::newRow("Backspace, window deactivated") << int(Qt::Key_Backspace) << u"deactivate"_s;
    }

    // Up Next opens with nothing selected, its rows named for assistive
    // technology; a pressed row follows the pointer, the list holding still,
    // and the queue changes once, on the release; a drag let go of (Escape,
    // the window losing the focus) leaves the queue as it was; the key
    // removes the clicked row; Space still plays and pauses; a selection
    // does not outlive the popover.
    void upNextUnderKeysAndPointer()
    {
        QFETCH(int, key);
        QFETCH(QString, abandon);
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness));
        PlayerController *player = harness.player();
        player->play(NowPlayingFixture::songs(12), harness.main()->client(), 1,
            PlaybackSource::album(u"al"_s, u"Album"_s));
        LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow2"_s));
        QTest::qWait(200); // the popover grows in
        QQuickItem *list = item(harness, u"upNextList"_s);
        QCOMPARE(list->property("currentIndex").toInt(), -1);
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(item(harness, u"upNextRow1"_s));
        QVERIFY(node);
        QCOMPARE(node->text(QAccessible::Name), u"Song 4"_s);
        QCOMPARE(node->text(QAccessible::Description), u"Artist"_s);

        QQuickWindow *window = harness.window();
        const auto title = [&](int row) {
            QQuickItem *shown = item(harness, u"upNextRow%1"_s.arg(row));
            return shown ? shown->property("title").toString() : QString();
        };
        const QPoint from = UiTest::centreOf(item(harness, u"upNextRow0"_s));
        const QPoint to = UiTest::centreOf(item(harness, u"upNextRow2"_s));
        const QStringList queued {u"s3"_s, u"s4"_s, u"s5"_s, u"s6"_s};
        const QStringList moved {u"s4"_s, u"s5"_s, u"s3"_s, u"s6"_s};
        QSignalSpy queueChanges(player, &PlayerController::queueChanged);
        for (const QString &end : {abandon, u"release"_s}) {
            QTest::mousePress(window, Qt::LeftButton, {}, from);
            for (int step = 1; step <= 10; ++step)
                QTest::mouseMove(window, from + (to - from) * step / 10);
            QTRY_COMPARE(title(2), u"Song 3"_s);
            QCOMPARE(upNextIds(player).mid(0, 4), queued);
            if (end == u"release"_s) {
                QTest::mouseRelease(window, Qt::LeftButton, {}, to);
                break;
            }
            if (end == u"Escape"_s) {
                QTest::keyClick(window, Qt::Key_Escape);
            } else {
                QEvent deactivate(QEvent::WindowDeactivate);
                QCoreApplication::sendEvent(window, &deactivate);
                QEvent activate(QEvent::WindowActivate);
                QCoreApplication::sendEvent(window, &activate);
            }
            QCOMPARE(title(0), u"Song 3"_s);
            // The pointer, still down, drags nothing more.
            QTest::mouseMove(window, to + QPoint(0, 20));
            QTest::mouseRelease(window, Qt::LeftButton, {}, to + QPoint(0, 20));
            QCOMPARE(title(0), u"Song 3"_s);
            QCOMPARE(upNextIds(player).mid(0, 4), queued);
            QCOMPARE(queueChanges.count(), 0);
            QVERIFY(item(harness, u"upNextRow0"_s));
            // The row goes back to its place once the list lays itself out
            // again (on its next frame); the next press is made there.
            QTRY_COMPARE(UiTest::centreOf(item(harness, u"upNextRow0"_s)), from);
        }
        QCOMPARE(upNextIds(player).mid(0, 4), moved);
        QCOMPARE(queueChanges.count(), 1);
        QCOMPARE(list->property("contentY").toReal(), list->property("originY").toReal());

        LIRNA_CLICK(item(harness, u"upNextRow1"_s));
        QTest::keyClick(harness.window(), Qt::Key(key));
        QTRY_COMPARE(upNextIds(player).mid(0, 3), (QStringList {u"s4"_s, u"s3"_s, u"s6"_s}));
        QCOMPARE(list->property("currentIndex").toInt(), -1);
        const bool playing = player->isPlaying();
        QTest::keyClick(harness.window(), Qt::Key_Space);
        QTRY_COMPARE(player->isPlaying(), !playing);

        LIRNA_CLICK(item(harness, u"upNextRow0"_s));
        for (int click = 0; click < 2; ++click)
            LIRNA_CLICK(item(harness, u"upNextButton"_s));
        QTRY_VERIFY(item(harness, u"upNextRow0"_s));
        QCOMPARE(list->property("currentIndex").toInt(), -1);
    }

    // The speaker and the slider are one hover area: going from one to the
    // other and back never folds the slider. A scrub whose grab is taken away
    // (the window loses the focus) ends without a seek: once the pointer has
    // left, the strip is thin again and its time follows the playback.
    void barControlsUnderThePointer()
    {
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness));
        playFourSongs(harness);
        NowPlayingBarViewModel *bar = harness.main()->nowPlaying();
        QTRY_VERIFY(bar->progress()->isEnabled() && item(harness, u"progressTrack"_s));
        QQuickWindow *window = harness.window();
        const QPoint speaker = UiTest::centreOf(item(harness, u"volumeSpeaker"_s));
        for (int x : {0, -30, -60, -30, 0, -30, -60}) {
            QTest::mouseMove(window, speaker + QPoint(x, 0));
            QTest::qWait(300); // longer than the hide delay
            QVERIFY2(bar->volume()->sliderShown(), qPrintable(QString::number(x)));
        }

        QQuickItem *track = item(harness, u"progressTrack"_s);
        const QPoint at = UiTest::centreOf(track);
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        QTest::mouseMove(window, at + QPoint(30, 0));
        QTRY_VERIFY(bar->progress()->isScrubbing());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(window, &deactivate);
        QVERIFY(!bar->progress()->isScrubbing());
        QTest::mouseRelease(window, Qt::LeftButton, {}, at + QPoint(30, 0));
        QTest::mouseMove(window, QPoint(500, 200));
        QTRY_COMPARE(track->property("thickness").toReal(), 2.0);
        QTRY_VERIFY(!bar->volume()->sliderShown());
        QCOMPARE(bar->progress()->displayedTime(), harness.player()->currentTime());
        QVERIFY(harness.player()->currentTime() < 30);
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
        // The window's own wait before a notice leaves by itself.
        {
            PageHarness harness;
            QVERIFY(harness.start(QSize(1000, 640)));
            QVERIFY(harness.loadMainView());
            const auto *banner = bannerModel(harness);
            QVERIFY(banner);
            QCOMPARE(banner->autoDismissInterval(), 6000);
        }
        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 640)));
        QVERIFY(loadWindow(harness, 700));
        QQuickItem *card = UiTest::findItem(harness.window(), u"bannerCard"_s);
        QVERIFY(card && !card->isVisible());
        const auto *banner = bannerModel(harness);
        QVERIFY(banner);
        QCOMPARE(banner->autoDismissInterval(), 700);
        QVERIFY(!banner->isDismissPending());

        harness.library()->setLastFailure(
            StoreFailure(QUuid::createUuid(), u"load the albums"_s, ConnectionFault::server(u"Boom"_s)));
        // The notice waits the window's interval, then goes.
        QVERIFY(banner->isDismissPending());
        QTRY_VERIFY(card->isVisible());
        // The page's text must not read through the notice laid over it.
        QCOMPARE(card->property("color").value<QColor>().alpha(), 255);
        QTest::qWait(320);
        UiTest::saveScreenshot(harness.window(), u"window-banner.png"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!card->isVisible(), 20000);
        QVERIFY(!harness.library()->lastFailure());
    }
};

QTEST_MAIN(tst_NowPlayingWindow)
#include "tst_NowPlayingWindow.moc"
