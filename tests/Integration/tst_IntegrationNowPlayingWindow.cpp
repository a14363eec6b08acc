// LIRNA_TEST_NEEDS_QML
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/Await.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "LoopbackRelay.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// One signed-in main window over `client`, drawn offscreen.
struct Window
{
    LibraryStore library;
    DownloadStore downloads;
    PlayerController player {new FakeQueuePlayer};
    MainViewModel main;
    QQmlEngine engine;
    QQuickWindow window;
    std::unique_ptr<QQuickItem> view;

    explicit Window(const SubsonicClient &client)
        : library(client)
        , downloads(client)
        , main(client, &library, &downloads, &player)
    { }

    bool show()
    {
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine, QUrl(u"qrc:/Lirna/UI/MainView.qml"_s));
        view.reset(qobject_cast<QQuickItem *>(
            component.createWithInitialProperties({{u"viewModel"_s, QVariant::fromValue(&main)}})));
        if (!view) {
            qWarning().noquote() << component.errorString();
            return false;
        }
        window.resize(1000, 640);
        view->setParentItem(window.contentItem());
        view->setSize(QSizeF(1000, 640));
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    QQuickItem *item(const QString &name) { return UiTest::findVisibleItem(&window, name); }
};

bool showsText(QQuickItem *item, const QString &text)
{
    if (!item->isVisible())
        return false;
    if (item->property("text").toString() == text)
        return true;
    const QList<QQuickItem *> children = item->childItems();
    return std::any_of(children.cbegin(), children.cend(), [&](QQuickItem *c) { return showsText(c, text); });
}

} // namespace

// The main window's bar and connection notices against the real server.
class TestIntegrationNowPlayingWindow : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QmlWarningGuard m_warnings;
    ArtworkClient *m_artwork = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QQuickStyle::setStyle(u"Basic"_s);
        m_warnings.install();
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        m_artwork = new ArtworkClient(nullptr, this);
        m_artwork->setClient(m_client);
        ArtworkClient::setCurrent(m_artwork);
    }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }
    void cleanupTestCase() { ArtworkClient::setCurrent(nullptr); }

    void playedAlbumShowsInTheBarAndLikes()
    {
        Window w(m_client);
        QVERIFY(w.show());

        const QList<Album> albums
            = TestAwait::await(m_client.albums(AlbumListType::AlphabeticalByName, 1, 0));
        QVERIFY(!albums.isEmpty());
        w.player.playAlbum(albums.first(), m_client, 0, false);
        QTRY_VERIFY_WITH_TIMEOUT(w.player.currentSong().has_value(), 10000);
        const Song song = *w.player.currentSong();
        QTRY_VERIFY(showsText(w.view.get(), song.title));
        QVERIFY(song.artist && showsText(w.view.get(), *song.artist));
        QTRY_VERIFY_WITH_TIMEOUT(w.item(u"nowPlayingCover"_s)->property("hasImage").toBool(), 10000);
        UiTest::saveScreenshot(&w.window, u"integration-bar-playing.png"_s);

        // Like from the bar reaches the server; the second click puts it back.
        const bool liked = starredOnServer(song.id);
        LIRNA_CLICK(w.item(u"likeButton"_s));
        QTRY_COMPARE_WITH_TIMEOUT(starredOnServer(song.id), !liked, 10000);
        LIRNA_CLICK(w.item(u"likeButton"_s));
        QTRY_COMPARE_WITH_TIMEOUT(starredOnServer(song.id), liked, 10000);
    }

    void unreachableServerShowsTheNoticeAndRecovers()
    {
        LoopbackRelay relay(m_server->url());
        QVERIFY(relay.isListening());
        relay.setDown(true);
        ServerConfig config = m_server->config(0);
        config.baseURL = relay.url();
        Window w(SubsonicClient(config, m_session));
        QVERIFY(w.show());

        // The root page has nothing to show: the full-page notice, and no banner.
        QTRY_VERIFY_WITH_TIMEOUT(w.item(u"ServerUnavailableView"_s), 10000);
        QQuickItem *card = UiTest::findItem(&w.window, u"bannerCard"_s);
        QVERIFY(card && !card->isVisible());
        UiTest::saveScreenshot(&w.window, u"integration-server-unavailable.png"_s);

        relay.setDown(false);
        QQuickItem *tryAgain = nullptr;
        const QList<QQuickItem *> all = w.item(u"ServerUnavailableView"_s)->findChildren<QQuickItem *>();
        for (QQuickItem *i : all) {
            if (i->objectName() == u"tryAgainButton"_s)
                tryAgain = i;
        }
        QVERIFY(tryAgain);
        LIRNA_CLICK(tryAgain);
        QTRY_VERIFY_WITH_TIMEOUT(w.library.reachability().isOk(), 10000);
        QTRY_VERIFY(!w.item(u"ServerUnavailableView"_s));
        QVERIFY(!card->isVisible());
    }

private:
    bool starredOnServer(const QString &id)
    {
        const SearchResult starred = TestAwait::await(m_client.starred());
        const QList<Song> songs = starred.song.value_or(QList<Song>());
        return std::any_of(songs.cbegin(), songs.cend(), [&](const Song &s) { return s.id == id; });
    }
};

QTEST_MAIN(TestIntegrationNowPlayingWindow)
#include "tst_IntegrationNowPlayingWindow.moc"
