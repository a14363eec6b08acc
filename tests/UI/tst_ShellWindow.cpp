#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <algorithm>

#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/NumberedSongs.h"
#include "Helpers/UI/UiTest.h"
#include "Helpers/UI/WindowSuite.h"
#include "Library/LibraryFixtures.h"
#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "SavedLocation.h"
#include "Support/Keychain.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

// The window's shell with real keys and clicks: the menu keys, the window
// accent's wash, the sidebar double click and the settings window.
class tst_ShellWindow : public WindowSuite
{
    Q_OBJECT

    std::unique_ptr<LirnaApp> m_app;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;

    SubsonicClient client() const
    {
        return SubsonicClient(ServerConfig {m_server.baseUrl(), u"ann"_s, u"pw"_s}, m_session.get());
    }

    NavigationModel *navigation() const { return m_app->root()->mainView()->navigation(); }

    // The colour drawn at `at` (window coordinates).
    QColor pixel(QPointF at) const
    {
        const QImage image = m_window->grabWindow();
        const qreal ratio = image.devicePixelRatio();
        return image.pixelColor(QPoint(int(at.x() * ratio), int(at.y() * ratio)));
    }

    // Opens the menu bar's menu titled `title` with a click; the menu, or
    // null.
    QObject *openMenu(const QString &title) const
    {
        for (QQuickItem *item : UiTest::itemsOf(UiTest::findItem(m_window, u"menuBar"_s))) {
            if (!item->inherits("QQuickMenuBarItem") || item->property("text").toString() != title)
                continue;
            if (!UiTest::clickItem(item))
                return nullptr;
            auto *menu = item->property("menu").value<QObject *>();
            return QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }) ? menu : nullptr;
        }
        return nullptr;
    }

    static QList<QQuickItem *> menuEntries(QObject *menu)
    {
        QList<QQuickItem *> entries;
        for (int i = 0; i < menu->property("count").toInt(); ++i) {
            QQuickItem *entry = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, entry), Q_ARG(int, i));
            entries << entry;
        }
        return entries;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(startWindowSuite()); }

    void init()
    {
        QSettings().clear();
        SavedLocation::clear();
        m_app = std::make_unique<LirnaApp>(
            QUrl(), u"0.1.0"_s, m_session.get(), new PlayerController(new FakeQueuePlayer));
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_window = UiTest::loadMainWindow(*m_engine, *m_app);
        QVERIFY(m_window);
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_app->appState()->setClient(client());
        QTRY_VERIFY(UiTest::findItem(m_window, u"HomeView"_s));
    }

    void cleanup()
    {
        m_engine.reset();
        m_app.reset();
        m_window = nullptr;
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    void menuKeys()
    {
        MenuCommands *commands = m_app->commands();
        QTRY_VERIFY(commands->newPlaylistEnabled());
        QTest::keyClick(m_window, Qt::Key_N, Qt::ControlModifier);
        QObject *dialog = m_window->findChild<QObject *>(u"newPlaylistDialog"_s);
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("opened").toBool());
        QTest::keyClick(m_window, Qt::Key_Escape);
        QTRY_VERIFY(!dialog->property("visible").toBool());

        LibraryStore *library = m_app->appState()->library();
        const int epoch = library->epoch();
        QTest::keyClick(m_window, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(library->epoch(), epoch + 1);

        // Ctrl+Right skips a song, except inside a text field, where it moves
        // the cursor by word.
        m_app->player()->play(numberedSongs(3), client(), 0, std::nullopt);
        QTest::keyClick(m_window, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(m_app->player()->currentIndex(), std::optional<int>(1));
        QQuickItem *search = UiTest::findVisibleItem(m_window, u"searchField"_s);
        LIRNA_CLICK(search);
        for (const char c : QByteArray("two words"))
            QTest::keyClick(m_window, c);
        QTest::keyClick(m_window, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(m_app->player()->currentIndex(), std::optional<int>(1));
        QCOMPARE(search->property("cursorPosition").toInt(), 4);
        QTest::keyClick(m_window, Qt::Key_Escape);
    }

    void menusShowTheirKeys_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << u"File"_s
                              << QStringList {u"New Playlist…\tCtrl+N"_s, u"Settings…\tCtrl+,"_s, QString(),
                                     u"Quit\tCtrl+Q"_s};
        QTest::newRow("Library") << u"Library"_s << QStringList {u"Refresh\tCtrl+R"_s};
        QTest::newRow("Playback") << u"Playback"_s
                                  << QStringList {u"Play"_s, u"Next\tCtrl+→"_s, u"Previous\tCtrl+←"_s};
        QTest::newRow("Help") << u"Help"_s << QStringList {u"About Lirna"_s, u"Check for Updates…"_s};
    }

    // Each menu of the menu bar, opened with a click: its items and the keys
    // they show.
    void menusShowTheirKeys()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, items);
        QObject *opened = openMenu(menu);
        QVERIFY(opened);
        QStringList shown;
        for (QQuickItem *entry : menuEntries(opened)) {
            QString text = entry->property("text").toString();
            if (auto *keys = entry->findChild<QQuickItem *>(u"menuItemShortcut"_s);
                keys && !keys->property("text").toString().isEmpty())
                text += u'\t' + keys->property("text").toString();
            shown << text;
        }
        QCOMPARE(shown, items);
        QVERIFY(UiTest::saveScreenshot(m_window, u"menu-%1.png"_s.arg(menu)));
        QTest::keyClick(m_window, Qt::Key_Escape);
        QTRY_VERIFY(!opened->property("visible").toBool());
    }

    // "About Lirna" names the program and its version.
    void aboutNamesTheProgram()
    {
        QObject *help = openMenu(u"Help"_s);
        QVERIFY(help);
        LIRNA_CLICK(menuEntries(help).value(0));
        QObject *about = m_window->findChild<QObject *>(u"aboutDialog"_s);
        QVERIFY(about);
        QTRY_VERIFY(about->property("opened").toBool());
        QStringList texts;
        for (QQuickItem *item : UiTest::itemsOf(about->property("contentItem").value<QQuickItem *>()))
            texts << item->property("text").toString();
        QVERIFY2(
            texts.contains(u"Lirna"_s) && texts.contains(u"Version 0.1.0"_s), qPrintable(texts.join(u'|')));
        QVERIFY(UiTest::saveScreenshot(m_window, u"about.png"_s));
        LIRNA_CLICK(UiTest::findVisibleItem(m_window, u"dialogAcceptButton"_s));
        QTRY_VERIFY(!about->property("visible").toBool());
    }

    // Another window in front publishes nothing: Ctrl+N cannot open the main
    // window's dialog from the settings window.
    void settingsWindowNeverCreatesPlaylists()
    {
        QTest::keyClick(m_window, Qt::Key_Comma, Qt::ControlModifier);
        auto *settings = m_window->findChild<QQuickWindow *>(u"settingsWindow"_s);
        QVERIFY(settings);
        QVERIFY(QTest::qWaitForWindowActive(settings));
        QTRY_VERIFY(!m_app->commands()->newPlaylistEnabled());
        QTest::keyClick(settings, Qt::Key_N, Qt::ControlModifier);
        const QObject *dialog = m_window->findChild<QObject *>(u"newPlaylistDialog"_s);
        QVERIFY(!dialog || !dialog->property("visible").toBool());
        QVERIFY(UiTest::findVisibleItem(settings, u"serverRow"_s));
        QVERIFY(UiTest::saveScreenshot(settings, u"settings.png"_s));

        // Log Out: the settings say "Not connected." and the connect screen comes back.
        LIRNA_CLICK(UiTest::findVisibleItem(settings, u"logOutButton"_s));
        QTRY_VERIFY(UiTest::findVisibleItem(settings, u"notConnectedText"_s));
        QVERIFY(!m_app->appState()->client());
        QTRY_VERIFY(UiTest::findItem(m_window, u"ConnectView"_s));
        settings->close();
    }

    // A build without an update feed (this suite's) shows the switch off,
    // disabled, with its reason; a real click on it changes nothing.
    void updatesSwitchWithoutAFeed()
    {
        QTest::keyClick(m_window, Qt::Key_Comma, Qt::ControlModifier);
        auto *settings = m_window->findChild<QQuickWindow *>(u"settingsWindow"_s);
        QVERIFY(settings);
        QVERIFY(QTest::qWaitForWindowActive(settings));
        QQuickItem *updates = UiTest::findVisibleItem(settings, u"updatesSwitch"_s);
        QVERIFY(updates);
        QVERIFY(!updates->isEnabled());
        QVERIFY(!updates->property("checked").toBool());
        QQuickItem *reason = UiTest::findVisibleItem(settings, u"updatesUnavailableText"_s);
        QVERIFY(reason);
        QCOMPARE(reason->property("text").toString(), u"This build has no update feed to check."_s);
        QTest::mouseClick(settings, Qt::LeftButton, {}, UiTest::centreOf(updates));
        QVERIFY(!updates->property("checked").toBool());
        QVERIFY(!QSettings().contains(u"automaticallyChecksForUpdates"_s));
        QVERIFY(UiTest::saveScreenshot(settings, u"settings-no-update-feed.png"_s));
        settings->close();
    }

    // The wash: the accent at 15 % at the top of the sidebar and the pages,
    // nothing 340 points down; it fades out keeping its hue.
    void accentWash()
    {
        QQuickItem *sidebar = UiTest::findItem(m_window, u"Sidebar"_s);
        QVERIFY(sidebar);
        const QPointF top = sidebar->mapToScene({sidebar->width() - 20, 3});
        const QPointF below = sidebar->mapToScene({sidebar->width() - 20, 360});
        const QColor plainTop = pixel(top);
        const QColor plainBelow = pixel(below);

        m_app->root()->mainView()->navigation()->reportRootAccent(QColor(255, 0, 0));
        // 15 % of red over the sidebar's own colour, once the fade is over.
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(pixel(top).green() - plainTop.green() * 0.85) <= 4, 20000);
        QVERIFY(pixel(top).red() >= plainTop.red() - 2);
        QCOMPARE(pixel(below), plainBelow);
        QVERIFY(UiTest::saveScreenshot(m_window, u"accent.png"_s));

        // Fading out, the colour stays on the red side of the plain one: no
        // grey dip in between.
        QQuickItem *wash = UiTest::findItem(m_window, u"sidebarAccent"_s);
        // Every step of the fade is looked at, however slowly the machine
        // draws it, rather than the one a fixed wait happens to land on.
        const QColor washed = wash->property("topColor").value<QColor>();
        QVERIFY(washed.alphaF() > 0 && washed.alphaF() <= 0.15);
        m_app->root()->mainView()->navigation()->reportRootAccent(QColor());
        QList<QColor> fadeSteps;
        QTRY_VERIFY([&] {
            const QColor step = wash->property("topColor").value<QColor>();
            if (fadeSteps.isEmpty() || fadeSteps.last() != step)
                fadeSteps.append(step);
            return step.alpha() == 0;
        }());
        QVERIFY(std::any_of(fadeSteps.cbegin(), fadeSteps.cend(),
            [&](const QColor &fading) { return fading.alpha() > 0 && fading.alpha() < washed.alpha(); }));
        for (const QColor &fading : std::as_const(fadeSteps))
            QCOMPARE(fading.red(), 255);
        QTRY_COMPARE(pixel(top), plainTop);
    }

    // A real double click on a sidebar row selects it and pops the pushed
    // pages; a double click in the detail column leaves them.
    void sidebarDoubleClick()
    {
        navigation()->pushAlbumGrid(u"newest"_s, u"Recently Added"_s);
        navigation()->pushAlbumGrid(u"frequent"_s, u"Most Played"_s);
        QCOMPARE(navigation()->depth(), 2);

        QQuickItem *stack = UiTest::findItem(m_window, u"detailStack"_s);
        const QPointF detail = stack->mapToScene({stack->width() / 2, stack->height() / 2});
        QTest::mouseDClick(m_window, Qt::LeftButton, {}, detail.toPoint());
        QCOMPARE(navigation()->depth(), 2);

        // The selected "Home" row: only the monitor can pop the path.
        QQuickItem *list = UiTest::findItem(m_window, u"sidebarList"_s);
        QTest::mouseDClick(m_window, Qt::LeftButton, {}, list->mapToScene({list->width() / 2, 14}).toPoint());
        QTRY_COMPARE(navigation()->depth(), 0);
        QVERIFY(navigation()->selection() == SidebarSelection::item(SidebarItem::Home));

        // The clicks still reach the list: the "Artists" row gets selected.
        QTest::mouseDClick(
            m_window, Qt::LeftButton, {}, list->mapToScene({list->width() / 2, 28 + 14}).toPoint());
        QTRY_VERIFY(navigation()->selection() == SidebarSelection::item(SidebarItem::Artists));
    }

    void homeButtonsLeaveSpaceToTheWindow_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("a row's Retry") << u"rowRetry"_s;
    }

    // A click on one of Home's buttons leaves the keyboard to the window:
    // Space then plays or pauses instead of pressing the button again.
    void homeButtonsLeaveSpaceToTheWindow()
    {
        QFETCH(QString, button);
        Song song;
        song.id = u"s1"_s;
        song.title = u"One"_s;
        m_app->player()->play({song}, client(), 0, std::nullopt);
        const bool playing = m_app->player()->isPlaying();
        // Home's lists are not served: each row offers its Retry.
        QQuickItem *control = nullptr;
        QTRY_VERIFY((control = UiTest::findVisibleItem(m_window, button)));
        QSignalSpy clicked(control, SIGNAL(clicked()));
        LIRNA_CLICK(control);
        QCOMPARE(clicked.size(), 1);
        QTest::keyClick(m_window, Qt::Key_Space);
        QCOMPARE(m_app->player()->isPlaying(), !playing);
        QCOMPARE(clicked.size(), 1);
    }

    // The playlist page's "Rename…" with real keys: the field has the
    // keyboard with the name selected, so typing replaces it; Escape leaves
    // the name, Return renames.
    void playlistPageRenameTakesTheKeyboard()
    {
        m_server.setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})"));
        m_server.setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p1","name":"Mix"})"));
        m_server.setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_app->appState()->library()->refresh();
        QQuickItem *sidebarRow = nullptr;
        QTRY_VERIFY((sidebarRow = UiTest::findVisibleItem(m_window, u"playlistRow_p1"_s)));
        LIRNA_CLICK(sidebarRow);
        QQuickItem *page = nullptr;
        QTRY_VERIFY((page = UiTest::findVisibleItem(m_window, u"PlaylistDetailView"_s)));
        QTRY_COMPARE(page->property("viewModel").value<QObject *>()->property("name").toString(), u"Mix"_s);
        const int loads = m_server.requestCount({"/rest/getPlaylist"});
        auto *menu = page->findChild<QObject *>(u"actionsMenu"_s);
        auto *dialog = page->findChild<QObject *>(u"renameDialog"_s);
        auto *field = dialog->findChild<QQuickItem *>(u"renameField"_s);
        const auto renames = [this] { return m_server.requestCount({"/rest/updatePlaylist"}); };
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            LIRNA_CLICK(UiTest::findVisibleItem(m_window, u"actionsButton"_s));
            QTRY_VERIFY(menu->property("opened").toBool());
            LIRNA_CLICK(UiTest::findVisibleItem(m_window, u"renameEntry"_s));
            QTRY_VERIFY(dialog->property("opened").toBool());
            QVERIFY(field->hasActiveFocus());
            QCOMPARE(field->property("selectedText").toString(), u"Mix"_s);
            for (const char c : QByteArray("Road"))
                QTest::keyClick(m_window, c);
            QCOMPARE(field->property("text").toString(), u"Road"_s);
            QTest::keyClick(m_window, key);
            QTRY_VERIFY(!dialog->property("visible").toBool());
            QTRY_COMPARE(renames(), key == Qt::Key_Return ? 1 : 0);
        }
        // The one rename is Return's: the Escape before it sent none.
        QTRY_VERIFY(m_server.requestCount({"/rest/getPlaylist"}) > loads); // the reload after it
        QCOMPARE(renames(), 1);
        for (const auto &request : m_server.requests()) {
            if (request.path() == "/rest/updatePlaylist")
                QVERIFY(request.queryItems().contains({u"name"_s, u"Road"_s}));
        }
        m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok(R"("playlists":{})"));
    }

    // Leaving the playlist page (a sidebar click rebuilds the pages, or "Log
    // Out" while an earlier drop's save is still unanswered) right after a
    // drag released beside the rows: the moved order still reaches the
    // server, under the account it was made in.
    void leavingThePlaylistPageSendsTheMovedOrder_data()
    {
        QTest::addColumn<bool>("logOut");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sidebar click") << false << QStringList {u"ann B,C,A,D"_s};
        QTest::newRow("log out") << true << QStringList {u"ann B,C,A,D"_s, u"ann C,A,B,D"_s};
    }

    void leavingThePlaylistPageSendsTheMovedOrder()
    {
        QFETCH(bool, logOut);
        QFETCH(QStringList, expected);
        m_server.clearRequests();
        QList<QByteArray> songs;
        for (const char *id : {"A", "B", "C", "D"})
            songs.append(LibraryFixtures::songJson(QString::fromLatin1(id)));
        m_server.setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists":{"playlist":[{"id":"p1","name":"Mix"}]})"));
        m_server.setResponse("/rest/getPlaylist",
            TestHttpServer::ok(
                R"("playlist":{"id":"p1","name":"Mix","entry":)" + LibraryFixtures::joined(songs) + '}'));
        m_server.setResponse("/rest/createPlaylist", TestHttpServer::ok());
        m_app->appState()->library()->refresh();
        QQuickItem *sidebarRow = nullptr;
        QTRY_VERIFY((sidebarRow = UiTest::findVisibleItem(m_window, u"playlistRow_p1"_s)));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, UiTest::centreOf(sidebarRow));
        QQuickItem *list = nullptr;
        QTRY_VERIFY((list = UiTest::findVisibleItem(m_window, u"playlistRows"_s)));
        QTRY_COMPARE(list->property("count").toInt(), 4);
        QList<QQuickItem *> rows;
        QTRY_VERIFY([&] {
            rows.clear();
            for (QQuickItem *child : list->property("contentItem").value<QQuickItem *>()->childItems()) {
                if (child->property("rowIndex").isValid() && child->isVisible())
                    rows.append(child);
            }
            std::sort(rows.begin(), rows.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
            return rows.size() == 4;
        }());

        // The first row over the third, then up over the header and let go.
        const QPoint start = rows.at(0)->mapToScene({60, rows.at(0)->height() / 2}).toPoint();
        const QPoint over = rows.at(2)->mapToScene({60, rows.at(2)->height() / 2}).toPoint();
        const QPoint beside = rows.at(0)->mapToScene({60, -120}).toPoint();
        if (logOut) {
            // Dropped on the third row: saved at once, answered late.
            TestHttpServer::Response slow = TestHttpServer::ok();
            slow.delayMs = 400;
            m_server.setResponse("/rest/createPlaylist", slow);
            QTest::mousePress(m_window, Qt::LeftButton, {}, start);
            for (int i = 1; i <= 8; ++i)
                QTest::mouseMove(m_window, start + (over - start) * i / 8, 10);
            QTest::mouseRelease(m_window, Qt::LeftButton, {}, over, 10);
            QTRY_COMPARE(m_server.requestCount({"/rest/createPlaylist"}), 1);
        }
        QTest::mousePress(m_window, Qt::LeftButton, {}, start);
        for (int i = 1; i <= 8; ++i)
            QTest::mouseMove(m_window, start + (over - start) * i / 8, 10);
        QTest::mouseMove(m_window, beside, 10);
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, beside, 10);
        QCOMPARE(m_server.requestCount({"/rest/createPlaylist"}), logOut ? 1 : 0);
        if (logOut) {
            QTest::keyClick(m_window, Qt::Key_Comma, Qt::ControlModifier);
            auto *settings = m_window->findChild<QQuickWindow *>(u"settingsWindow"_s);
            QVERIFY(settings);
            QVERIFY(QTest::qWaitForWindowActive(settings));
            LIRNA_CLICK(UiTest::findVisibleItem(settings, u"logOutButton"_s));
            QTRY_VERIFY(UiTest::findItem(m_window, u"ConnectView"_s));
            settings->close();
        } else {
            QTest::qWait(100);
            QQuickItem *sidebar = UiTest::findItem(m_window, u"sidebarList"_s);
            QTest::mouseClick(
                m_window, Qt::LeftButton, {}, sidebar->mapToScene({sidebar->width() / 2, 14}).toPoint());
        }
        QTRY_VERIFY(!UiTest::findItem(m_window, u"PlaylistDetailView"_s));
        const auto orders = [this] {
            QStringList sent;
            for (const auto &request : m_server.requests()) {
                QStringList ids;
                for (const auto &[key, value] : request.queryItems())
                    ids.append(key == u"songId"_s ? value : QString());
                ids.removeAll(QString());
                if (request.path() == "/rest/createPlaylist")
                    sent.append(request.queryValue(u"u"_s) + u' ' + ids.join(u','));
            }
            return sent;
        };
        QTRY_COMPARE_WITH_TIMEOUT(orders(), expected, 10'000);
        m_server.setResponse("/rest/getPlaylists", TestHttpServer::ok(R"("playlists":{})"));
    }
};

QTEST_MAIN(tst_ShellWindow)
#include "tst_ShellWindow.moc"
