#include <QAccessible>
#include <QDir>
#include <QGuiApplication>
#include <QPalette>
#include <QPointingDevice>
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
#include "Helpers/UI/UiTest.h"
#include "Helpers/UI/WindowSuite.h"
#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "SavedLocation.h"
#include "Support/Keychain.h"
#include "TextFieldAccessible.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The texts of the text-change events that reach the accessibility bridge:
// this handler stands where the bridge would, behind the program's own.
QList<std::pair<QObject *, QString>> bridged;

void bridge(QAccessibleEvent *event)
{
    QAccessibleInterface *iface = event->accessibleInterface();
    QObject *object = iface ? iface->object() : event->object();
    if (event->type() == QAccessible::TextUpdated) {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        bridged.append({object, updated->textRemoved() + u'|' + updated->textInserted()});
    } else if (event->type() == QAccessible::TextInserted) {
        bridged.append({object, static_cast<QAccessibleTextInsertEvent *>(event)->textInserted()});
    } else if (event->type() == QAccessible::TextRemoved) {
        bridged.append({object, static_cast<QAccessibleTextRemoveEvent *>(event)->textRemoved()});
    }
}

} // namespace

// Loads the real window offscreen: the connect screen first, then, after a
// sign-in against the loopback server, the main window with its sidebar.
// Screenshots land in the build folder ("screenshots/") to look at.
class TestMainWindow : public WindowSuite
{
    Q_OBJECT

    static QQuickItem *find(QQuickWindow *window, const QString &name)
    {
        return UiTest::findItem(window, name);
    }

    static void saveScreenshot(QQuickWindow *window, const QString &name)
    {
        QVERIFY(UiTest::saveScreenshot(window, name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startWindowSuite());
        QSettings().clear();
        SavedLocation::clear();
        m_server.setResponse("/rest/getPlaylists",
            TestHttpServer::ok("\"playlists\":{\"playlist\":[{\"id\":\"p1\",\"name\":\"Road Trip\"}]}"));
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    // The session's shared network manager goes while the application is
    // whole (see main.cpp).

    void connectScreenThenMainWindow()
    {
        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        LirnaApp app(QUrl(), u"0.1.0"_s, m_session.get(), new PlayerController(new FakeQueuePlayer));
        QQmlApplicationEngine engine;
        QQuickWindow *window = UiTest::loadMainWindow(engine, app);
        QVERIFY(window);

        QQuickItem *connect = find(window, u"ConnectView"_s);
        QVERIFY(connect && connect->isVisible());
        QVERIFY(window->minimumWidth() >= 520 && window->minimumHeight() >= 480);
        QQuickItem *button = find(window, u"connectButton"_s);
        QVERIFY(button && !button->isEnabled());

        ConnectViewModel *form = app.root()->connectView();
        form->setServerURL(m_server.baseUrl().toString());
        form->setUsername(u"ann"_s);
        form->setPassword(u"pw"_s);
        QTRY_VERIFY(button->isEnabled());
        saveScreenshot(window, u"connect.png"_s);

        // Setting a field's text sends its old and new text (Qt Quick's own
        // event, sent here as it does: offscreen there is no bridge to make
        // it send). The program's handler, in front of the bridge, gives the
        // password field's on as bullets, the username field's as they are.
        const QAccessible::UpdateHandler guard = QAccessible::installUpdateHandler(bridge);
        QVERIFY(guard && guard != bridge);
        TextFieldAccessible::install(); // in front of `bridge` now
        QObject *password = find(window, u"passwordField"_s);
        QObject *username = find(window, u"usernameField"_s);
        QAccessibleTextUpdateEvent set(password, 0, u"pw"_s, u"hunter2"_s);
        QAccessibleTextInsertEvent typed(password, 2, u"x"_s);
        QAccessibleTextRemoveEvent erased(password, 2, u"x"_s);
        QAccessibleTextUpdateEvent named(username, 0, QString(), u"ann"_s);
        for (QAccessibleEvent *event :
            std::initializer_list<QAccessibleEvent *> {&set, &typed, &erased, &named})
            guard(event);
        const QString dot(QChar(0x2022));
        const QList<std::pair<QObject *, QString>> expected {
            {password, dot.repeated(2) + u'|' + dot.repeated(7)}, {password, dot}, {password, dot},
            {username, u"|ann"_s}};
        QCOMPARE(bridged, expected);
        QAccessible::installUpdateHandler(nullptr);
        TextFieldAccessible::install();

        // A rejected sign-in shows the server's message under the form.
        m_server.setResponse("/rest/ping", TestHttpServer::failed(40, "Wrong username or password"));
        LIRNA_CLICK(button);
        QQuickItem *error = find(window, u"errorText"_s);
        QVERIFY(error);
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(error->property("text").toString(), u"Wrong username or password."_s);
        saveScreenshot(window, u"connect-error.png"_s);

        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        LIRNA_CLICK(button);
        QTRY_VERIFY(find(window, u"MainView"_s));
        QVERIFY(!find(window, u"ConnectView"_s));
        QVERIFY(window->minimumWidth() >= 900 && window->minimumHeight() >= 560);

        // The server's playlists arrive in the sidebar.
        QQuickItem *list = find(window, u"sidebarList"_s);
        QVERIFY(list);
        QTRY_COMPARE(list->property("count").toInt(), 14);
        QTRY_VERIFY(find(window, u"HomeView"_s));

        // The sidebar's plus button opens the "New Playlist" alert; "Create"
        // creates the playlist and selects it.
        m_server.setResponse("/rest/createPlaylist",
            TestHttpServer::ok("\"playlist\":{\"id\":\"p2\",\"name\":\"Night Drive\"}"));
        LIRNA_CLICK(UiTest::findVisibleItem(window, u"newPlaylistButton"_s));
        QObject *dialog = window->findChild<QObject *>(u"newPlaylistDialog"_s);
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("opened").toBool());
        for (const char c : QByteArray("  Night Drive "))
            QTest::keyClick(window, c);
        saveScreenshot(window, u"new-playlist.png"_s);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QTRY_VERIFY(find(window, u"PlaylistDetailView"_s));
        QObject *playlistPage
            = find(window, u"PlaylistDetailView"_s)->property("viewModel").value<QObject *>();
        QCOMPARE(playlistPage->property("playlistId").toString(), u"p2"_s);
        bool created = false;
        for (const auto &request : m_server.requests())
            created |= request.path() == "/rest/createPlaylist"
                && request.queryValue(u"name"_s) == u"Night Drive"_s;
        QVERIFY(created);

        // A playlist row's menu renames it, in a dialog that starts from its name.
        m_server.setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = find(window, u"playlistRow_p1"_s)));
        LIRNA_RIGHT_CLICK(row);
        QObject *menu = row->findChild<QObject *>(u"playlistMenu"_s);
        QVERIFY(menu);
        QTRY_VERIFY(menu->property("opened").toBool());
        LIRNA_CLICK(UiTest::menuItem(menu, u"Rename…"_s));
        QObject *rename = window->findChild<QObject *>(u"renamePlaylistDialog"_s);
        QVERIFY(rename);
        QTRY_VERIFY(rename->property("opened").toBool());
        QCOMPARE(rename->property("name").toString(), u"Road Trip"_s);
        // The name is selected: typing replaces it.
        for (const char c : QByteArray("Dawn Drive"))
            QTest::keyClick(window, c);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_VERIFY(!rename->property("visible").toBool());
        QTRY_VERIFY(std::ranges::any_of(m_server.requests(), [](const auto &request) {
            return request.path() == "/rest/updatePlaylist" && request.queryValue(u"playlistId"_s) == u"p1"_s
                && request.queryValue(u"name"_s) == u"Dawn Drive"_s;
        }));

        // The sidebar routes to its pages; pushed pages stack above them.
        NavigationModel *navigation = app.root()->mainView()->navigation();
        app.root()->mainView()->sidebar()->activate(2);
        QTRY_VERIFY(find(window, u"AlbumGridView"_s));
        QQuickItem *toolbar = find(window, u"toolbar"_s);
        QCOMPARE(toolbar->height(), 44.0);
        navigation->pushAlbumGrid(u"newest"_s, u"Recently Added"_s);
        QTRY_VERIFY(find(window, u"backButton"_s)->isVisible());
        // The back control and the title leave the toolbar's height alone.
        QCOMPARE(toolbar->height(), 44.0);
        QQuickItem *stack = find(window, u"detailStack"_s);
        QCOMPARE(stack->property("depth").toInt(), 2);
        QTRY_VERIFY(!stack->property("busy").toBool());
        saveScreenshot(window, u"main.png"_s);
        navigation->popTo(0);
        QTRY_VERIFY(!find(window, u"backButton"_s)->isVisible());
        QCOMPARE(stack->property("depth").toInt(), 1);

        navigation->pushAlbumGrid(u"frequent"_s, u"Most Played"_s);
    }

    // The next start restores the account without showing the form, at the
    // place where the last run left off.
    void restartLandsAtTheSamePlace()
    {
        LirnaApp app(QUrl(), u"0.1.0"_s, m_session.get(), new PlayerController(new FakeQueuePlayer));
        QVERIFY(app.root()->mainView());
        QVERIFY(!app.root()->connectView());
        QQmlApplicationEngine engine;
        QQuickWindow *window = UiTest::loadMainWindow(engine, app);
        QVERIFY(window);
        QVERIFY(find(window, u"MainView"_s));
        QVERIFY(find(window, u"AlbumGridView"_s));
        QQuickItem *stack = find(window, u"detailStack"_s);
        QCOMPARE(stack->property("depth").toInt(), 2);
        QVERIFY(find(window, u"backButton"_s)->isVisible());

        // Space toggles play and pause in the window, but not while typing.
        QTest::keyClick(window, Qt::Key_Space);
        QVERIFY(!app.player()->isPlaying()); // nothing loaded: nothing happens
        Song song;
        song.id = u"s1"_s;
        song.title = u"One"_s;
        app.player()->play({song}, *app.appState()->client(), 0, std::nullopt);
        const bool playing = app.player()->isPlaying();
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(app.player()->isPlaying(), !playing);
        QQuickItem *search = find(window, u"searchField"_s);
        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(search));
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(app.player()->isPlaying(), !playing);
        QCOMPARE(search->property("text").toString(), u" "_s);
        // A click on a sidebar row (the current one, which keeps the search)
        // or in the page leaves the field.
        QQuickItem *sidebar = find(window, u"sidebarList"_s);
        QQuickItem *row = nullptr;
        for (int i = 0; !row && i < sidebar->property("count").toInt(); ++i) {
            if (QQuickItem *candidate = UiTest::itemAtIndex(sidebar, i);
                candidate->property("selected").toBool())
                row = candidate;
        }
        QVERIFY(row);
        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(row));
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(app.player()->isPlaying(), playing);
        QCOMPARE(search->property("text").toString(), u" "_s);
        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(search));
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(window->width() * 2 / 3, window->height() / 2));
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(app.player()->isPlaying(), !playing);
        QCOMPARE(search->property("text").toString(), u" "_s);
        // A finger's tap on the row leaves the field as the click does.
        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(search));
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(search->property("text").toString(), u"  "_s);
        static QPointingDevice *const finger = QTest::createTouchDevice();
        QTest::touchEvent(window, finger).press(0, UiTest::centreOf(row));
        QTest::touchEvent(window, finger).release(0, UiTest::centreOf(row));
        QTest::keyClick(window, Qt::Key_Space);
        QCOMPARE(app.player()->isPlaying(), playing);
        QCOMPARE(search->property("text").toString(), u"  "_s);

        // "Log Out" forgets the place and brings back an empty form.
        QCOMPARE(app.settings()->user(), u"ann"_s);
        app.logOut();
        QTRY_VERIFY(find(window, u"ConnectView"_s));
        QVERIFY(!find(window, u"MainView"_s));
        QCOMPARE(app.root()->connectView()->serverURL(), QString());
        QCOMPARE(app.settings()->user(), QString());
        const ServerConfig account {m_server.baseUrl(), u"ann"_s, u"pw"_s};
        QVERIFY(!SavedLocation::restorable(account));
        QVERIFY(!QSettings().contains(u"serverURL"_s));
    }

    // Under a dark system palette the window follows it: the connect screen
    // and the main window, kept as screenshots to look at.
    void darkPalette()
    {
        const QPalette light = QGuiApplication::palette();
        const QPalette dark = UiTest::darkPalette();
        QGuiApplication::setPalette(dark);

        m_server.setResponse("/rest/ping", TestHttpServer::ok());
        LirnaApp app(QUrl(), u"0.1.0"_s, m_session.get(), new PlayerController(new FakeQueuePlayer));
        QQmlApplicationEngine engine;
        QQuickWindow *window = UiTest::loadMainWindow(engine, app);
        QVERIFY(window);
        QCOMPARE(window->color(), dark.color(QPalette::Window));
        ConnectViewModel *form = app.root()->connectView();
        QVERIFY(form);
        form->setServerURL(m_server.baseUrl().toString());
        form->setUsername(u"ann"_s);
        form->setPassword(u"pw"_s);
        QQuickItem *button = find(window, u"connectButton"_s);
        QTRY_VERIFY(button->isEnabled());
        saveScreenshot(window, u"connect-dark.png"_s);

        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(button));
        QTRY_VERIFY(find(window, u"MainView"_s));
        QTRY_COMPARE(find(window, u"sidebarList"_s)->property("count").toInt(), 14);
        app.root()->mainView()->navigation()->pushAlbumGrid(u"newest"_s, u"Recently Added"_s);
        QTRY_VERIFY(!find(window, u"detailStack"_s)->property("busy").toBool());
        saveScreenshot(window, u"main-dark.png"_s);

        // Back to the light palette, the window follows again.
        QGuiApplication::setPalette(light);
        QTRY_COMPARE(window->color(), light.color(QPalette::Window));
        app.logOut();
        Keychain::setStore(nullptr);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
