// LIRNA_TEST_NEEDS_QML
#include <QNetworkAccessManager>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "Networking/SubsonicClient.h"
#include "Playback/PlayerController.h"
#include "Songs/SongTableViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The song this suite likes and unlikes (other suites use others).
const QString LikedTitle = u"Salt Lines"_s;

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
        PageHarness harness;
        QQuickItem *item = nullptr; // owned by the harness
        SongTableViewModel *viewModel = nullptr;
    };

    // Opens the page of `sidebarItem` in a window of its own.
    std::unique_ptr<Page> open(SidebarItem sidebarItem)
    {
        auto page = std::make_unique<Page>();
        if (!page->harness.start(QSize(900, 600), m_server->config(0)))
            return nullptr;
        page->item = page->harness.loadPage(PageRoute::forSelection(SidebarSelection::item(sidebarItem)));
        if (!page->item)
            return nullptr;
        page->viewModel = page->item->property("viewModel").value<SongTableViewModel *>();
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
        QTRY_VERIFY(UiTest::findVisibleItem(page->harness.window(), u"songHeader2"_s));
        QTest::mouseClick(page->harness.window(), Qt::LeftButton, {},
            UiTest::centreOf(UiTest::findVisibleItem(page->harness.window(), u"songHeader2"_s)));
        QCOMPARE(model->sortColumn(), 2);
        const QCollator collator = SongSort::collator(SongSort::userLocale());
        const QList<Song> shown = model->displayedSongs();
        for (qsizetype i = 1; i < shown.size(); ++i)
            QVERIFY(collator.compare(SongSort::albumName(shown[i - 1]), SongSort::albumName(shown[i])) <= 0);

        // Ctrl and Shift clicks, then a double click on a row plays the
        // displayed list from that row.
        auto cell = [&page](int row, int column) {
            return UiTest::findVisibleItem(page->harness.window(), u"songCell_%1_%2"_s.arg(row).arg(column));
        };
        QTRY_VERIFY(cell(4, 1));
        QTest::mouseClick(page->harness.window(), Qt::LeftButton, {}, UiTest::centreOf(cell(1, 0)));
        QTest::mouseClick(
            page->harness.window(), Qt::LeftButton, Qt::ShiftModifier, UiTest::centreOf(cell(3, 0)));
        QTest::mouseClick(
            page->harness.window(), Qt::LeftButton, Qt::ControlModifier, UiTest::centreOf(cell(2, 0)));
        QCOMPARE(model->selection(), (QSet<QString> {shown[1].id, shown[3].id}));
        QTest::mouseDClick(page->harness.window(), Qt::LeftButton, {}, UiTest::centreOf(cell(4, 1)));
        QCOMPARE(idsOf(page->harness.player()->queue()), idsOf(shown));
        QCOMPARE(page->harness.player()->currentIndexOrNone(), 4);
        QVERIFY(!page->harness.player()->source());
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
        page->harness.library()->ensurePlaylistsLoaded();
        SongTableModel *model = page->viewModel->model();
        QTRY_VERIFY_WITH_TIMEOUT(model->rowCount() > 5 && page->harness.library()->playlistsLoaded(), 15'000);
        QQuickWindow *window = page->harness.window();
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto cell = [window](int row, int column) {
            return UiTest::findVisibleItem(window, u"songCell_%1_%2"_s.arg(row).arg(column));
        };
        QTRY_VERIFY(cell(3, 0));
        QTest::mouseClick(window, Qt::LeftButton, {}, UiTest::centreOf(cell(1, 0)));
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
