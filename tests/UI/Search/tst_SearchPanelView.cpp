#include <QImage>
#include <QNetworkAccessManager>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "NewPlaylistAction.h"
#include "Networking/UrlSession.h"
#include "SidebarSelection.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// Two artists, two albums and two songs (the second without an album) for
// any query, and a plain coloured cover for every cover id.
TestHttpServer::Response answer(const TestHttpServer::Request &request)
{
    if (request.path() == "/rest/getCoverArt") {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(int(qHash(request.queryValue(u"id"_s)) % 360), 120, 200));
        return TestHttpServer::image(image);
    }
    if (request.path() != "/rest/search3")
        return TestHttpServer::failed(70, "Not found");
    return TestHttpServer::ok(R"("searchResult3":{
        "artist":[{"id":"ar1","name":"Nina Arden","coverArt":"ar-ar1"},{"id":"ar2","name":"Nils Arkwright"}],
        "album":[{"id":"al1","name":"Northern Lights","artist":"Nina Arden","artistId":"ar1","coverArt":"al-al1"},
                 {"id":"al2","name":"Night Ferry","artist":"Nils Arkwright","coverArt":"al-al2"}],
        "song":[{"id":"s1","title":"Nightfall","album":"Night Ferry","albumId":"al2","artist":"Nils Arkwright",
                 "coverArt":"al-al2"},{"id":"s2","title":"No Album"}]})");
}

} // namespace

// The toolbar search field of the real main view, offscreen, driven by real
// key and mouse events over a loopback server.
class TestSearchPanelView : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;
    QTemporaryDir m_cache;
    QNetworkAccessManager m_manager;
    std::unique_ptr<PageHarness> m_harness;
    std::unique_ptr<UrlSession> m_session;
    std::unique_ptr<ArtworkClient> m_artwork;
    QQuickItem *m_main = nullptr;
    QQuickItem *m_field = nullptr;
    QObject *m_panel = nullptr;

    QQuickWindow *window() const { return m_harness->window(); }
    NavigationModel *navigation() const { return m_harness->main()->navigation(); }

    QStringList searches() const
    {
        QStringList queries;
        for (const auto &request : m_harness->server().requests()) {
            if (request.path() == "/rest/search3")
                queries.append(request.queryValue(u"query"_s));
        }
        return queries;
    }

    bool panelOpen() const { return m_panel->property("opened").toBool(); }

    void type(const QString &text)
    {
        for (const QChar c : text)
            QTest::keyClick(window(), c.toLatin1());
    }

    // Types `text` into the focused field and waits for the panel.
    void openWith(const QString &text)
    {
        LIRNA_CLICK(m_field);
        QTRY_VERIFY(m_field->hasActiveFocus());
        type(text);
        QTRY_VERIFY(panelOpen());
        QTRY_VERIFY(!m_panel->property("enter").value<QObject *>()
            || !m_panel->property("enter").value<QObject *>()->property("running").toBool());
    }

    // The shown row of the panel's list with that id.
    QQuickItem *row(int id) const
    {
        QQuickItem *list = UiTest::findVisibleItem(window(), u"suggestionList"_s);
        if (!list)
            return nullptr;
        const auto rows = list->property("contentItem").value<QQuickItem *>()->childItems();
        for (QQuickItem *item : rows) {
            if (item->property("rowId").isValid() && item->property("rowId").toInt() == id
                && item->isVisible())
                return item;
        }
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_warnings.install();
        QQuickStyle::setStyle(u"Basic"_s);
        QVERIFY(m_cache.isValid());
        m_session = std::make_unique<UrlSession>(&m_manager, 5000);
    }

    void init()
    {
        m_harness = std::make_unique<PageHarness>();
        m_harness->server().setHandler(answer);
        QVERIFY(m_harness->start(QSize(1000, 680)));
        // Covers come from the same loopback server, through a fetcher of
        // this test's own; cover loads still on their way when it ends are
        // cancelled with it.
        auto *fetcher = new ArtworkFetcher(m_cache.path(), m_session.get());
        m_artwork = std::make_unique<ArtworkClient>(fetcher);
        fetcher->setParent(m_artwork.get());
        ArtworkClient::setCurrent(m_artwork.get());
        m_artwork->setClient(m_harness->main()->client());
        m_main = m_harness->loadMainView();
        QVERIFY(m_main);
        m_field = UiTest::findItem(m_main, u"searchField"_s);
        m_panel = m_main->findChild<QObject *>(u"SearchPanel"_s);
        QVERIFY(m_field && m_panel);
        QTRY_VERIFY(UiTest::findItem(m_main, u"HomeView"_s));
    }

    void cleanup()
    {
        m_harness.reset();
        m_artwork.reset();
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    // Typing a word sends one search; the answer shows its three sections
    // under the field, right-aligned with it.
    void typingShowsTheSections()
    {
        openWith(u"nig"_s);
        QCOMPARE(searches(), QStringList {u"nig"_s});
        QCOMPARE(navigation()->searchText(), u"nig"_s);
        type(u"h"_s);
        QTRY_COMPARE(searches(), (QStringList {u"nig"_s, u"nigh"_s}));
        QTRY_COMPARE(m_harness->main()->search()->model()->query(), u"nigh"_s);

        QStringList headers;
        QQuickItem *list = UiTest::findVisibleItem(window(), u"suggestionList"_s);
        QVERIFY(list);
        for (QQuickItem *item : list->property("contentItem").value<QQuickItem *>()->childItems()) {
            if (item->property("section").isValid() && item->isVisible())
                headers.append(item->property("section").toString());
        }
        headers.sort();
        QCOMPARE(headers, (QStringList {u"Albums"_s, u"Artists"_s, u"Songs"_s}));

        auto *panelItem = m_panel->property("contentItem").value<QQuickItem *>()->parentItem();
        const QRectF panel = panelItem->mapRectToScene(QRectF(0, 0, panelItem->width(), panelItem->height()));
        const QRectF field = m_field->mapRectToScene(QRectF(0, 0, m_field->width(), m_field->height()));
        QCOMPARE(panel.right(), field.right());
        QCOMPARE(panel.top(), field.bottom() + 6);
        QCOMPARE(panel.width(), 380.0);
        // 6 + 6, three headers of 42 and six rows of 46.
        QCOMPARE(panel.height(), 12.0 + 3 * 42 + 6 * 46);
        QCOMPARE(row(0)->height(), 46.0);

        // Covers: round for artists, and drawn once loaded.
        QQuickItem *artistCover = UiTest::findItem(row(0), u"cover"_s);
        QQuickItem *albumCover = UiTest::findItem(row(2), u"cover"_s);
        QCOMPARE(artistCover->property("cornerRadius").toReal(), 18.0);
        QCOMPARE(albumCover->property("cornerRadius").toReal(), 4.0);
        QTRY_VERIFY(artistCover->property("hasImage").toBool());
        QTRY_VERIFY(albumCover->property("hasImage").toBool());
        QTest::keyClick(window(), Qt::Key_Down);
        QTest::keyClick(window(), Qt::Key_Down);
        QVERIFY(row(2)->property("highlighted").toBool());
        QVERIFY(UiTest::saveScreenshot(window(), u"search-panel.png"_s));
    }

    // ↑/↓ then Return, or a click on a row: the page opens above the current
    // one, the text clears and the panel closes.
    void picksOpenTheirPage_data()
    {
        QTest::addColumn<QList<int>>("keys"); // empty: click the row
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("album");
        QTest::newRow("first row on Return") << QList<int> {Qt::Key_Return} << 0 << u"ar1"_s << QString();
        QTest::newRow("arrows to an album")
            << QList<int> {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Enter} << 2
            << QString() << u"al1"_s;
        QTest::newRow("click an artist") << QList<int> {} << 1 << u"ar2"_s << QString();
        QTest::newRow("click a song") << QList<int> {} << 4 << QString() << u"al2"_s;
    }

    void picksOpenTheirPage()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        openWith(u"ni"_s);
        for (int key : std::as_const(keys))
            QTest::keyClick(window(), Qt::Key(key));
        if (keys.isEmpty())
            LIRNA_CLICK(this->row(row));
        QTRY_COMPARE(navigation()->depth(), 1);
        const PageRoute route = navigation()->routeAt(1);
        QTEST(route.artist ? route.artist->id : QString(), "artist");
        QTEST(route.album ? route.album->id : QString(), "album");
        QVERIFY(!panelOpen());
        QCOMPARE(navigation()->searchText(), QString());
        QCOMPARE(m_field->property("text").toString(), QString());
        QTRY_COMPARE(UiTest::findItem(m_main, u"detailStack"_s)->property("depth").toInt(), 2);
    }

    // Ways to close: (action) → closed without opening anything.
    void closes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("escape") << u"escape"_s;
        QTest::newRow("click on the page") << u"page"_s;
        QTest::newRow("click on the sidebar") << u"sidebar"_s;
        QTest::newRow("another window") << u"window"_s;
        QTest::newRow("one letter left") << u"backspace"_s;
    }

    void closes()
    {
        QFETCH(QString, action);
        openWith(u"ni"_s);
        std::unique_ptr<QWindow> other;
        if (action == u"escape")
            QTest::keyClick(window(), Qt::Key_Escape);
        else if (action == u"page")
            QTest::mouseClick(window(), Qt::LeftButton, {}, QPoint(600, 600));
        else if (action == u"sidebar")
            QTest::mouseClick(window(), Qt::LeftButton, {}, QPoint(100, 640));
        else if (action == u"backspace")
            QTest::keyClick(window(), Qt::Key_Backspace);
        else {
            window()->requestActivate();
            QTRY_VERIFY(window()->isActive());
            other = std::make_unique<QWindow>();
            other->show();
            other->requestActivate();
            QTRY_VERIFY(!window()->isActive());
        }
        QTRY_VERIFY(!panelOpen());
        QCOMPARE(navigation()->depth(), 0);
        QTest::qWait(300);
        QCOMPARE(searches(), QStringList {u"ni"_s});
        QVERIFY(!panelOpen());
    }

    // With the panel open, the "New Playlist" alert opening takes the keys:
    // Return creates the playlist and picks nothing.
    void dialogKeepsItsReturn()
    {
        m_harness->server().setResponse(
            "/rest/createPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p2","name":"Night Drive"})"));
        openWith(u"ni"_s);
        m_main->property("newPlaylistAction").value<NewPlaylistAction *>()->trigger();
        QObject *dialog = m_main->findChild<QObject *>(u"newPlaylistDialog"_s);
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("opened").toBool());
        QTRY_VERIFY(!m_field->hasActiveFocus());
        type(u"Night Drive"_s);
        QTest::keyClick(window(), Qt::Key_Return);
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QTRY_VERIFY(navigation()->selection() == SidebarSelection::playlist(u"p2"_s));
        QCOMPARE(navigation()->depth(), 0);
        QVERIFY(!panelOpen());
    }
};

QTEST_MAIN(TestSearchPanelView)
#include "tst_SearchPanelView.moc"
