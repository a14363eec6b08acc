// LIRNA_TEST_NEEDS_QML
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Networking/SubsonicClient.h"
#include "PageContext.h"
#include "PageRegistry.h"
#include "Playback/PlayerController.h"
#include "Songs/SongTableViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The song this suite likes and unlikes (other suites use others).
const QString LikedTitle = u"Salt Lines"_s;

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

} // namespace

// Both song pages in a window over supysonic's library: every song listed,
// sorting by a header, selecting and playing from a double-clicked row, and
// unliking from the liked table.
class TestIntegrationSongTables : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;

    struct Page
    {
        std::unique_ptr<LibraryStore> library;
        std::unique_ptr<DownloadStore> downloads;
        std::unique_ptr<PlayerController> player;
        std::unique_ptr<MainViewModel> main;
        QQmlEngine engine;
        std::unique_ptr<QQuickWindow> window;
        std::unique_ptr<QQuickItem> item;
        SongTableViewModel *viewModel = nullptr;

        ~Page()
        {
            item.reset();
            window.reset();
        }
    };

    // Opens the page of `sidebarItem` in a window of its own.
    std::unique_ptr<Page> open(SidebarItem sidebarItem)
    {
        auto page = std::make_unique<Page>();
        page->library = std::make_unique<LibraryStore>(m_client);
        page->downloads = std::make_unique<DownloadStore>(m_client);
        page->player = std::make_unique<PlayerController>(new FakeQueuePlayer);
        page->main = std::make_unique<MainViewModel>(
            m_client, page->library.get(), page->downloads.get(), page->player.get());
        page->engine.addImportPath(u"qrc:/"_s);
        page->window = std::make_unique<QQuickWindow>();
        page->window->resize(900, 600);
        page->window->show();
        if (!QTest::qWaitForWindowExposed(page->window.get()))
            return nullptr;
        const PageRoute route = PageRoute::forSelection(SidebarSelection::item(sidebarItem));
        auto *context = new PageContext(page->main.get(), route, 0);
        QObject *viewModel = PageRegistry::createViewModel(context);
        QQmlComponent component(&page->engine, PageRegistry::source(route.kind));
        auto *item = qobject_cast<QQuickItem *>(
            component.createWithInitialProperties({{u"context"_s, QVariant::fromValue(context)},
                {u"viewModel"_s, QVariant::fromValue(viewModel)}}));
        if (!item) {
            qWarning().noquote() << component.errorString();
            return nullptr;
        }
        context->setParent(item);
        page->item.reset(item);
        item->setParentItem(page->window->contentItem());
        item->setSize(page->window->size());
        page->viewModel = qobject_cast<SongTableViewModel *>(viewModel);
        return page;
    }

    bool serverLikes(const QString &songId) const
    {
        const SearchResult result = TestAwait::await(m_client.starred());
        const QList<Song> songs = result.song.value_or(QList<Song>());
        return std::any_of(songs.begin(), songs.end(), [&songId](const Song &s) { return s.id == songId; });
    }

    Song likedSong()
    {
        LibraryStore store(m_client);
        store.ensureSongsLoaded();
        if (!QTest::qWaitFor([&store] { return store.songsLoaded(); }, 15'000))
            return {};
        for (const Song &song : store.songs()) {
            if (song.title == LikedTitle)
                return song;
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
    }

    void songsPageListsSortsAndPlays()
    {
        const SearchResult everything = TestAwait::await(m_client.search(QString(), 0, 0, 500, 0));
        const QList<Song> all = everything.song.value_or(QList<Song>());
        QVERIFY(all.size() > 5);

        auto page = open(SidebarItem::Songs);
        QVERIFY(page);
        SongTableModel *model = page->viewModel->model();
        QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), int(all.size()), 15'000);
        const QStringList expected = idsOf(all);
        const QStringList listed = idsOf(model->displayedSongs());
        QCOMPARE(
            QSet<QString>(listed.begin(), listed.end()), QSet<QString>(expected.begin(), expected.end()));

        // The "Album" header: albums in text order, then by title.
        QTRY_VERIFY(UiTest::findVisibleItem(page->window.get(), u"songHeader2"_s));
        QTest::mouseClick(page->window.get(), Qt::LeftButton, {},
            centreOf(UiTest::findVisibleItem(page->window.get(), u"songHeader2"_s)));
        QCOMPARE(model->sortColumn(), 2);
        const QCollator collator = SongSort::collator(SongSort::userLocale());
        const QList<Song> shown = model->displayedSongs();
        for (qsizetype i = 1; i < shown.size(); ++i)
            QVERIFY(collator.compare(SongSort::albumName(shown[i - 1]), SongSort::albumName(shown[i])) <= 0);

        // Ctrl and Shift clicks, then a double click on a row plays the
        // displayed list from that row.
        auto cell = [&page](int row, int column) {
            return UiTest::findVisibleItem(page->window.get(), u"songCell_%1_%2"_s.arg(row).arg(column));
        };
        QTRY_VERIFY(cell(4, 1));
        QTest::mouseClick(page->window.get(), Qt::LeftButton, {}, centreOf(cell(1, 0)));
        QTest::mouseClick(page->window.get(), Qt::LeftButton, Qt::ShiftModifier, centreOf(cell(3, 0)));
        QTest::mouseClick(page->window.get(), Qt::LeftButton, Qt::ControlModifier, centreOf(cell(2, 0)));
        QCOMPARE(model->selection(), (QSet<QString> {shown[1].id, shown[3].id}));
        QTest::mouseDClick(page->window.get(), Qt::LeftButton, {}, centreOf(cell(4, 1)));
        QCOMPARE(idsOf(page->player->queue()), idsOf(shown));
        QCOMPARE(page->player->currentIndexOrNone(), 4);
        QVERIFY(!page->player->source());
    }

    // Rows picked with the arrow keys go to a playlist through the row menu,
    // in display order; the playlist is deleted again afterwards.
    void menuAddsTheSelectionToAPlaylist()
    {
        const QString name = u"Song table menu list"_s;
        const ScratchPlaylist playlist(m_client, name);
        QVERIFY(!playlist.id().isEmpty());

        auto page = open(SidebarItem::Songs);
        QVERIFY(page);
        page->library->ensurePlaylistsLoaded();
        SongTableModel *model = page->viewModel->model();
        QTRY_VERIFY_WITH_TIMEOUT(model->rowCount() > 5 && page->library->playlistsLoaded(), 15'000);
        QQuickWindow *window = page->window.get();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto cell = [window](int row, int column) {
            return UiTest::findVisibleItem(window, u"songCell_%1_%2"_s.arg(row).arg(column));
        };
        QTRY_VERIFY(cell(3, 0));
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(cell(1, 0)));
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Down, Qt::ShiftModifier);
        const QList<Song> shown = model->displayedSongs();
        QCOMPARE(model->selection(), (QSet<QString> {shown[2].id, shown[3].id}));

        QObject *menu = page->item->findChild<QObject *>(u"songMenu"_s);
        LIRNA_RIGHT_CLICK(cell(3, 0));
        QTRY_VERIFY(menu->property("opened").toBool());
        LIRNA_CLICK(UiTest::menuItem(menu, u"Add to Playlist"_s));
        QObject *submenu = page->item->findChild<QObject *>(u"menuAddToPlaylist"_s);
        QTRY_VERIFY(submenu->property("opened").toBool());
        QQuickItem *target = UiTest::menuItem(submenu, name);
        QVERIFY(target);
        LIRNA_CLICK(target);
        QTRY_VERIFY_WITH_TIMEOUT(
            idsOf(TestAwait::await(m_client.playlist(playlist.id())).entry.value_or(QList<Song>()))
                == (QStringList {shown[2].id, shown[3].id}),
            10'000);
    }

    void likedTableUnlikes()
    {
        const Song song = likedSong();
        QVERIFY(!song.id.isEmpty());
        const bool likedBefore = serverLikes(song.id);
        if (!likedBefore)
            TestAwait::await(m_client.setStarred(true, song.id));

        auto page = open(SidebarItem::LikedSongs);
        QVERIFY(page);
        SongTableModel *model = page->viewModel->model();
        QTRY_VERIFY_WITH_TIMEOUT(model->rowOf(song.id) >= 0, 15'000);
        const int before = model->rowCount();
        page->viewModel->prepareMenu(model->rowOf(song.id));
        page->viewModel->menuUnlike();
        QCOMPARE(model->rowOf(song.id), -1);
        QCOMPARE(model->rowCount(), before - 1);
        QTRY_VERIFY_WITH_TIMEOUT(!serverLikes(song.id), 15'000);
        QCOMPARE(model->rowOf(song.id), -1); // no rollback: the server took it

        if (likedBefore)
            TestAwait::await(m_client.setStarred(true, song.id));
    }
};

QTEST_MAIN(TestIntegrationSongTables)
#include "tst_IntegrationSongTables.moc"
