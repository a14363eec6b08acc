// LIRNA_TEST_NEEDS_QML
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QPalette>
#include <QQuickItem>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/Await.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Networking/SubsonicClient.h"
#include "Playback/PlayerController.h"
#include "Playlists/PlaylistDetailViewModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// The playlist this suite creates; a leftover of an aborted run is removed first.
const QString PlaylistName = u"Page integration list"_s;

} // namespace

// The playlist page on supysonic, driven with the pointer: a drag reorders
// the playlist on the server, a removal right after a drag removes the right
// song, rename and delete work, and deleting the shown playlist goes Home.
class TestIntegrationPlaylistPage : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QmlWarningGuard m_warnings;

    void removeLeftovers() { deletePlaylistsNamed(m_client, {PlaylistName, PlaylistName + u" renamed"_s}); }

    QStringList serverOrder(const QString &id) const
    {
        QStringList ids;
        for (const Song &song : TestAwait::await(m_client.playlist(id)).entry.value_or(QList<Song>()))
            ids.append(song.id);
        return ids;
    }

    // The row items of the page, by position.
    static QList<QQuickItem *> rowItems(QQuickWindow *window)
    {
        QQuickItem *rows = UiTest::findItem(window, u"playlistRows"_s);
        QList<QQuickItem *> found;
        if (!rows)
            return found;
        for (QQuickItem *child : rows->property("contentItem").value<QQuickItem *>()->childItems()) {
            if (child->property("rowIndex").isValid() && child->isVisible())
                found.append(child);
        }
        std::sort(found.begin(), found.end(), [](QQuickItem *a, QQuickItem *b) { return a->y() < b->y(); });
        return found;
    }

    // Presses on row `from`, moves the pointer over row `to` in small steps
    // and lets go there.
    static void dragRow(QQuickWindow *window, int from, int to)
    {
        const QList<QQuickItem *> rows = rowItems(window);
        QVERIFY(from < rows.size() && to < rows.size());
        const QPoint start = rows.at(from)->mapToScene(QPointF(60, rows.at(from)->height() / 2)).toPoint();
        const QPoint end = rows.at(to)->mapToScene(QPointF(60, rows.at(to)->height() / 2)).toPoint();
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        const int steps = 12;
        for (int i = 1; i <= steps; ++i) {
            QTest::mouseMove(window, start + (end - start) * i / steps, 10);
        }
        QTest::mouseRelease(window, Qt::LeftButton, {}, end, 10);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Fusion"_s);
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        removeLeftovers();
        m_warnings.install();
    }

    void cleanupTestCase()
    {
        if (m_server)
            removeLeftovers();
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void dragRemoveRenameDelete()
    {
        const QList<Song> songs = TestAwait::await(m_client.songs(4, 0));
        QCOMPARE(songs.size(), 4);
        QStringList ids;
        for (const Song &song : songs)
            ids.append(song.id);
        const QString id = createPlaylistNamed(m_client, PlaylistName);
        QVERIFY(!id.isEmpty());
        TestAwait::await(m_client.updatePlaylist(id, std::nullopt, ids, {}));
        QCOMPARE(serverOrder(id), ids);

        PageHarness harness;
        QVERIFY(harness.start(QSize(1000, 720), m_server->config(0)));
        harness.library()->ensurePlaylistsLoaded();
        const SidebarSelection shown = SidebarSelection::playlist(id);
        harness.main()->navigation()->setSelection(shown);
        QQuickItem *page = harness.loadPage(PageRoute::forSelection(shown));
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<PlaylistDetailViewModel *>();
        QVERIFY(vm);
        QTRY_COMPARE_WITH_TIMEOUT(vm->tracks()->count(), 4, 10'000);
        QTRY_COMPARE(rowItems(harness.window()).size(), 4);

        // The rows have the keyboard without a click.
        harness.window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(harness.window()));
        QTRY_VERIFY(UiTest::findItem(harness.window(), u"playlistRows"_s)->hasActiveFocus());
        QTest::keyClick(harness.window(), Qt::Key_Down);
        QCOMPARE(vm->selectedRow(), 0);

        // The third song dragged to the top.
        dragRow(harness.window(), 2, 0);
        const QStringList dragged {ids[2], ids[0], ids[1], ids[3]};
        QCOMPARE(vm->tracks()->songIds(), dragged);
        // The header's collage follows the rows at once.
        QCOMPARE(idsOf(UiTest::findItem(harness.window(), u"playlistArtwork"_s)
                           ->property("songs")
                           .value<QList<Song>>()),
            dragged);
        QTRY_COMPARE_WITH_TIMEOUT(serverOrder(id), dragged, 10'000);
        UiTest::saveScreenshot(harness.window(), u"playlist-page-light.png"_s);

        // The last song dragged to second place, then the first row removed
        // before the wait is over.
        dragRow(harness.window(), 3, 1);
        const QStringList again {ids[2], ids[3], ids[0], ids[1]};
        QCOMPARE(vm->tracks()->songIds(), again);
        vm->beginDrag(3);
        vm->moveDraggedRow(2);
        vm->endDrag();
        const QStringList moved {ids[2], ids[3], ids[1], ids[0]};
        vm->removeRow(0);
        const QStringList removed {ids[3], ids[1], ids[0]};
        QTRY_COMPARE_WITH_TIMEOUT(vm->tracks()->songIds(), removed, 10'000);
        QCOMPARE(serverOrder(id), removed);
        QVERIFY(moved != removed);

        // Rename, trimmed.
        vm->rename(u"  "_s + PlaylistName + u" renamed\t"_s);
        QTRY_COMPARE_WITH_TIMEOUT(vm->name(), PlaylistName + u" renamed"_s, 10'000);

        const QPalette light = QGuiApplication::palette();
        QGuiApplication::setPalette(UiTest::darkPalette());
        QTest::qWait(200);
        UiTest::saveScreenshot(harness.window(), u"playlist-page-dark.png"_s);
        QGuiApplication::setPalette(light);

        // The header menu holds the download items between two dividers.
        QObject *actions = page->findChild<QObject *>(u"actionsMenu"_s);
        LIRNA_CLICK(UiTest::findItem(harness.window(), u"actionsButton"_s));
        QTRY_VERIFY(actions->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(actions),
            (QStringList {u"Play Next"_s, u"Play Last"_s, QString(), u"Download"_s, QString(), u"Rename…"_s,
                u"Delete Playlist…"_s}));
        QMetaObject::invokeMethod(actions, "dismiss");
        QTRY_VERIFY(!actions->property("visible").toBool());

        // A row's menu adds its song to a playlist, here this one: it comes
        // back at the end.
        const QList<QQuickItem *> shownRows = rowItems(harness.window());
        QObject *rowMenu = page->findChild<QObject *>(u"rowMenu"_s);
        LIRNA_RIGHT_CLICK(shownRows.at(1));
        QTRY_VERIFY(rowMenu->property("opened").toBool());
        QCOMPARE(UiTest::menuTexts(rowMenu),
            (QStringList {u"Play Next"_s, u"Play Last"_s, QString(), u"Like"_s, u"Add to Playlist"_s,
                QString(), u"Remove from Playlist"_s}));
        QVERIFY(UiTest::menuItem(rowMenu, u"Remove from Playlist"_s)->property("destructive").toBool());
        LIRNA_CLICK(UiTest::menuItem(rowMenu, u"Add to Playlist"_s));
        QObject *addMenu = page->findChild<QObject *>(u"rowPlaylistMenu"_s);
        QTRY_VERIFY(addMenu->property("opened").toBool());
        UiTest::saveScreenshot(harness.window(), u"playlist-row-menu.png"_s);
        QQuickItem *self = UiTest::menuItem(addMenu, PlaylistName + u" renamed"_s);
        if (!self) // the store's list may still hold the old name
            self = UiTest::menuItem(addMenu, PlaylistName);
        QVERIFY(self);
        LIRNA_CLICK(self);
        const QStringList grown = removed + QStringList {removed[1]};
        QTRY_COMPARE_WITH_TIMEOUT(serverOrder(id), grown, 10'000);
        QTRY_COMPARE_WITH_TIMEOUT(vm->tracks()->songIds(), grown, 10'000);

        // The header's Play plays from the top and leaves the selection alone.
        vm->selectRow(-1);
        LIRNA_CLICK(UiTest::findItem(harness.window(), u"playButton"_s));
        QTRY_VERIFY(harness.player()->currentSong().has_value());
        QCOMPARE(harness.player()->currentSong()->id, grown.first());
        QCOMPARE(vm->selectedRow(), -1);

        // Delete through the menu and its confirmation: the window goes Home.
        LIRNA_CLICK(UiTest::findItem(harness.window(), u"actionsButton"_s));
        QTRY_VERIFY(UiTest::findVisibleItem(harness.window(), u"deleteEntry"_s));
        LIRNA_CLICK(UiTest::findVisibleItem(harness.window(), u"deleteEntry"_s));
        QQuickItem *accept = nullptr;
        QTRY_VERIFY((accept = UiTest::findVisibleItem(harness.window(), u"dialogAcceptButton"_s)));
        UiTest::saveScreenshot(harness.window(), u"playlist-delete-confirm.png"_s);
        LIRNA_CLICK(accept);
        QTRY_COMPARE_WITH_TIMEOUT(harness.main()->navigation()->selection(),
            std::optional(SidebarSelection::item(SidebarItem::Home)), 10'000);
        bool gone = true;
        for (const Playlist &playlist : TestAwait::await(m_client.playlists()))
            gone = gone && playlist.id != id;
        QVERIFY(gone);
    }
};

QTEST_MAIN(TestIntegrationPlaylistPage)
#include "tst_IntegrationPlaylistPage.moc"
