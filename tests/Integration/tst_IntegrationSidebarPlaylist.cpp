// LIRNA_TEST_NEEDS_QML
#include <QDir>
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/DownloadBadgeModel.h"
#include "Components/DragPayload.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "NavigationModel.h"
#include "Networking/UrlSession.h"
#include "SidebarModel.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

const QString PlaylistName = u"Integration sidebar drop"_s;

// The sidebar beside a badge of the same playlist and a stand-in for album
// tiles, dragged with the mouse.
const char *const Scene = R"(
import QtQuick
import QtQuick.Controls
import Lirna.UI
Rectangle {
    id: root
    required property SidebarModel sidebarModel
    required property LibraryStore library
    required property DownloadStore downloads
    required property var payload
    property string playlistId
    width: 520; height: 520
    color: Theme.content
    Sidebar {
        width: 240; height: parent.height
        model: root.sidebarModel
        library: root.library
        downloads: root.downloads
    }
    DownloadStatusBadge {
        objectName: "badge"
        x: 300; y: 20
        size: 24
        downloads: root.downloads
        playlistId: root.playlistId
    }
    Rectangle {
        id: tile
        objectName: "tile"
        x: 320; y: 400; width: 80; height: 40
        color: Theme.accent
        Drag.active: area.drag.active
        Drag.keys: [DragPayload.albumFormat]
        Drag.mimeData: root.payload
        Drag.hotSpot.x: width / 2
        Drag.hotSpot.y: height / 2
        MouseArea { id: area; anchors.fill: parent; drag.target: tile; onReleased: tile.Drag.drop() }
    }
}
)";

} // namespace

// The sidebar's playlist row against supysonic: albums dragged onto it land
// in the playlist in order, and its menu downloads and removes the playlist
// while the badge follows.
class TestIntegrationSidebarPlaylist : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QmlWarningGuard m_warnings;

    void deleteOurPlaylists() { deletePlaylistsNamed(m_client, {PlaylistName}); }

    // Right-clicks the row, then clicks the menu item titled `text`.
    static bool chooseFromMenu(QQuickWindow *window, QQuickItem *row, const QString &text)
    {
        const QPoint centre = UiTest::centreOf(row);
        QTest::mouseClick(window, Qt::RightButton, {}, centre);
        QObject *menu = row->findChild<QObject *>(u"playlistMenu"_s);
        if (!menu)
            return false;
        if (!QTest::qWaitFor([menu] { return menu->property("opened").toBool(); }, LIRNA_TRY_TIMEOUT_MS))
            return false;
        const int count = menu->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QQuickItem *item = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
            if (item && item->property("text").toString() == text && item->isEnabled()) {
                UiTest::saveScreenshot(
                    window, u"sidebar-playlist-menu-"_s + QString(text).remove(u' ') + u".png"_s);
                const QPoint at = UiTest::centreOf(item);
                QTest::mouseClick(window, Qt::LeftButton, {}, at);
                return QTest::qWaitFor(
                    [menu] { return !menu->property("visible").toBool(); }, LIRNA_TRY_TIMEOUT_MS);
            }
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Fusion"_s);
        m_warnings.install();
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        deleteOurPlaylists();
    }

    void cleanupTestCase()
    {
        if (m_server)
            deleteOurPlaylists();
    }

    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void dropAlbumsThenDownloadFromTheRow()
    {
        const QList<Album> listed
            = TestAwait::await(m_client.albums(AlbumListType::AlphabeticalByName, 50, 0));
        QVERIFY(listed.size() >= 2);
        // The albums as a grid lists them: without songs, so each is fetched.
        const QList<Album> dragged {listed.at(1), listed.at(0)};
        QStringList expected;
        for (const Album &album : dragged)
            expected += idsOf(TestAwait::await(m_client.album(album.id)).song.value_or(QList<Song>()));
        QVERIFY(!expected.isEmpty());

        LibraryStore library(m_client);
        DownloadStore downloads(m_client);
        NavigationModel navigation(m_server->config(0));
        SidebarModel sidebar(&navigation);
        connect(&library, &LibraryStore::playlistsChanged, &sidebar,
            [&] { sidebar.setPlaylists(library.playlists()); });

        const std::optional<QString> created = TestAwait::await(library.createPlaylist(PlaylistName));
        QString id = created.value_or(QString());
        if (id.isEmpty()) {
            // supysonic's answer to a new playlist may lack it; the list has it.
            QTRY_VERIFY(library.playlistsLoaded());
            for (const Playlist &playlist : library.playlists())
                if (playlist.name == PlaylistName)
                    id = playlist.id;
        }
        QVERIFY(!id.isEmpty());
        library.ensurePlaylistsLoaded();

        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(Scene, QUrl(u"qrc:/test/SidebarScene.qml"_s));
        QQuickWindow window;
        window.resize(520, 520);
        std::unique_ptr<QQuickItem> scene(qobject_cast<QQuickItem *>(component.createWithInitialProperties({
            {u"sidebarModel"_s, QVariant::fromValue(&sidebar)},
            {u"library"_s, QVariant::fromValue(&library)},
            {u"downloads"_s, QVariant::fromValue(&downloads)},
            {u"payload"_s, DragPayload::albumsMimeMap(dragged)},
        })));
        QVERIFY2(scene, qPrintable(component.errorString()));
        scene->setParentItem(window.contentItem());
        scene->setProperty("playlistId", id);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = UiTest::findVisibleItem(&window, u"playlistRow_"_s + id)));
        QQuickItem *tile = UiTest::findItem(&window, u"tile"_s);
        QVERIFY(tile);

        // Drag the albums onto the row with the mouse.
        const auto dropOnRow = [&] {
            tile->setPosition(QPointF(320, 400));
            const QPoint from = UiTest::centreOf(tile);
            const QPoint to = UiTest::centreOf(row);
            QTest::mousePress(&window, Qt::LeftButton, {}, from);
            for (int step = 1; step <= 12; ++step) {
                QTest::mouseMove(&window, from + (to - from) * step / 12);
                QTest::qWait(10);
            }
            QQuickItem *dropArea = UiTest::findItem(row, u"albumDropArea"_s);
            QVERIFY(dropArea);
            // The tile trails the pointer by the drag threshold: one more move
            // puts its centre on the row.
            const QPoint centre = UiTest::centreOf(tile);
            const QPoint release = to + (to - centre);
            QTest::mouseMove(&window, release);
            QTRY_VERIFY(dropArea->property("containsDrag").toBool());
            QTest::mouseRelease(&window, Qt::LeftButton, {}, release);
        };
        const int revision = library.playlistRevision();
        dropOnRow();
        // The run ends right after the drop: every album of it is sent first.
        LibraryStore::settlePlaylistWrites({&library});
        const PlaylistDetail detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), expected);
        QCOMPARE(library.playlistRevision(), revision + 2);

        // Download it from the row's menu; the badge runs, then shows it offline.
        auto *badge = UiTest::findItem(&window, u"badge"_s)->property("badge").value<DownloadBadgeModel *>();
        QVERIFY(badge);
        QCOMPARE(badge->kind(), DownloadBadgeModel::Nothing);
        QList<DownloadBadgeModel::Kind> kinds;
        bool shotRunning = false;
        connect(badge, &DownloadBadgeModel::stateChanged, this, [&] {
            if (kinds.isEmpty() || kinds.last() != badge->kind())
                kinds.append(badge->kind());
            if (!shotRunning && badge->kind() == DownloadBadgeModel::Running && badge->completed() > 0
                && badge->completed() < badge->total())
                shotRunning = UiTest::saveScreenshot(&window, u"badge-running.png"_s);
        });
        QVERIFY(chooseFromMenu(&window, row, u"Download"_s));
        QTRY_COMPARE_WITH_TIMEOUT(badge->kind(), DownloadBadgeModel::Offline, 30'000);
        QCOMPARE(kinds,
            (QList<DownloadBadgeModel::Kind> {DownloadBadgeModel::Running, DownloadBadgeModel::Offline}));
        QCOMPARE(badge->tooltip(), u"Available offline"_s);
        UiTest::saveScreenshot(&window, u"badge-offline.png"_s);
        QTRY_VERIFY(!downloads.isBusy());
        QStringList files;
        for (const QString &songId : expected)
            files.append(QDir(downloads.directory())
                             .filePath(DownloadStore::songFileName(
                                 songId, downloads.manifest().songs.value(songId).suffix)));
        for (const QString &file : files)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));

        // "Remove Download" takes the files away again.
        QVERIFY(chooseFromMenu(&window, row, u"Remove Download"_s));
        QTRY_COMPARE(badge->kind(), DownloadBadgeModel::Nothing);
        QTRY_VERIFY(!downloads.isBusy());
        for (const QString &file : files)
            QVERIFY2(!QFileInfo::exists(file), qPrintable(file));

        // An order the user made still waits to be saved when another album
        // is dropped on the row: saved after the drop, it keeps the dropped
        // songs, after the user's order.
        QStringList reordered = expected;
        std::reverse(reordered.begin(), reordered.end());
        const QStringList added
            = idsOf(TestAwait::await(m_client.album(listed.at(0).id)).song.value_or(QList<Song>()));
        scene->setProperty("payload", DragPayload::albumsMimeMap({listed.at(0)}));
        const int beforeDrop = library.playlistRevision();
        dropOnRow();
        QTRY_COMPARE_WITH_TIMEOUT(library.playlistRevision(), beforeDrop + 1, 20'000);
        QVERIFY(TestAwait::await(library.reorderPlaylist(id, reordered)));
        QCOMPARE(
            idsOf(TestAwait::await(m_client.playlist(id)).entry.value_or(QList<Song>())), reordered + added);

        QVERIFY(TestAwait::await(library.deletePlaylist(id)));
    }
};

QTEST_MAIN(TestIntegrationSidebarPlaylist)
#include "tst_IntegrationSidebarPlaylist.moc"
