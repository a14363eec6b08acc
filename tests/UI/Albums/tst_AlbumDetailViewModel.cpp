#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Albums/AlbumDetailViewModel.h"
#include "Albums/AlbumTrackListModel.h"
#include "Components/AddToPlaylistModel.h"
#include "Components/DownloadMenuModel.h"
#include "Components/LikeMenuItemModel.h"
#include "Downloads/DownloadManifest.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/RecordLists.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "Library/LibraryStore.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Playback/PlayerController.h"
#include "Support/ArtworkStore.h"
#include "Support/PaletteExtractor.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// id, disc (0: none)
using Track = std::pair<QString, int>;

Song song(const QString &id, int disc)
{
    Song s;
    s.id = id;
    s.title = u"Title "_s + id;
    s.album = u"The Album"_s;
    s.albumId = u"al1"_s;
    s.artist = u"Ann"_s;
    s.duration = 100;
    if (disc > 0)
        s.discNumber = disc;
    return s;
}

QList<Song> songs(const QList<Track> &tracks)
{
    QList<Song> result;
    for (const auto &[id, disc] : tracks)
        result.append(song(id, disc));
    return result;
}

QByteArray albumJson(const QString &id, const QList<Track> &tracks)
{
    QJsonArray list;
    for (const Song &s : songs(tracks)) {
        QJsonObject o {{u"id"_s, s.id}, {u"title"_s, s.title}, {u"album"_s, *s.album}, {u"albumId"_s, id},
            {u"artist"_s, *s.artist}, {u"duration"_s, 100}};
        if (s.discNumber)
            o.insert(u"discNumber"_s, qint64(*s.discNumber));
        list.append(o);
    }
    const QJsonObject album {{u"id"_s, id}, {u"name"_s, u"The Album"_s}, {u"song"_s, list}};
    return "\"album\": " + QJsonDocument(album).toJson(QJsonDocument::Compact);
}

Album pushed(const QString &id, std::optional<QString> cover = {})
{
    Album a;
    a.id = id;
    a.name = u"The Album"_s;
    a.artist = u"Ann"_s;
    a.coverArt = std::move(cover);
    return a;
}

QStringList menuTexts(const DownloadMenuModel &menu)
{
    return fieldsOf(menu.items(), &DownloadMenuItem::text);
}

} // namespace

// The album page's logic without a display, and its track list in the main
// window with real pointer events: its stores talk to a loopback server, the
// engine plays on a fake player, the page sits on a real navigation stack.
class TestAlbumDetailViewModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home; // the cached palettes start empty
    std::unique_ptr<PageHarness> m_harness;
    QmlWarningGuard m_warnings;

    // The stores, built after the test has written what they read at start.
    bool startStores()
    {
        if (!m_harness->start())
            return false;
        // The window restores the place an earlier test left: start at the root.
        m_harness->main()->navigation()->popTo(0);
        return true;
    }

    // Pushes `album` as the window does and builds its page's view model.
    AlbumDetailViewModel *open(const Album &album)
    {
        return new AlbumDetailViewModel(m_harness->push(album), album);
    }

    // The main window with `album` pushed; its page once loaded.
    QQuickItem *openInWindow(const Album &album)
    {
        if (!m_harness->start(QSize(1000, 640)) || !m_harness->loadMainView())
            return nullptr;
        m_harness->main()->navigation()->popTo(0);
        if (!m_harness->waitForPage(u"HomeView"_s))
            return nullptr;
        m_harness->main()->navigation()->push(album);
        QQuickItem *page = m_harness->waitForPage(u"AlbumDetailView"_s);
        auto *vm = page ? page->property("viewModel").value<AlbumDetailViewModel *>() : nullptr;
        return vm && QTest::qWaitFor([vm] { return !vm->loading(); }) ? page : nullptr;
    }

    SubsonicClient client() const { return m_harness->main()->client(); }
    PlayerController *player() const { return m_harness->player(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        m_warnings.install();
    }

    void init()
    {
        m_harness = std::make_unique<PageHarness>();
        m_harness->server().setResponse("/rest/getPlaylists",
            TestHttpServer::ok(R"("playlists": {"playlist": [{"id": "p1", "name": "Mix"}]})"));
    }

    void cleanup()
    {
        m_harness.reset();
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

    void discGrouping_data()
    {
        QTest::addColumn<QList<Track>>("server");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("sections");
        QTest::addColumn<QList<bool>>("lastInDisc");
        QTest::newRow("no disc numbers")
            << QList<Track> {{u"a"_s, 0}, {u"b"_s, 0}} << QStringList {u"a"_s, u"b"_s}
            << QStringList {u""_s, u""_s} << QList<bool> {false, true};
        QTest::newRow("one disc") << QList<Track> {{u"b"_s, 1}, {u"a"_s, 1}} << QStringList {u"b"_s, u"a"_s}
                                  << QStringList {u""_s, u""_s} << QList<bool> {false, true};
        QTest::newRow("missing joins disc 1")
            << QList<Track> {{u"a"_s, 1}, {u"b"_s, 0}} << QStringList {u"a"_s, u"b"_s}
            << QStringList {u""_s, u""_s} << QList<bool> {false, true};
        QTest::newRow("discs 2 then 1")
            << QList<Track> {{u"c"_s, 2}, {u"d"_s, 2}, {u"a"_s, 1}, {u"b"_s, 0}}
            << QStringList {u"a"_s, u"b"_s, u"c"_s, u"d"_s} << QStringList {u"1"_s, u"1"_s, u"2"_s, u"2"_s}
            << QList<bool> {false, true, false, true};
        QTest::newRow("no songs") << QList<Track> {} << QStringList {} << QStringList {} << QList<bool> {};
    }

    void discGrouping()
    {
        QFETCH(QList<Track>, server);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, sections);
        QFETCH(QList<bool>, lastInDisc);
        AlbumTrackListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSongs(songs({{u"x"_s, 3}, {u"a"_s, 1}})); // an earlier answer
        model.setSongs(songs(server));
        QCOMPARE(idsOf(model.records()), rows);
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row);
            QCOMPARE(index.data(AlbumTrackListModel::DiscSectionRole).toString(), sections.at(row));
            QCOMPARE(index.data(AlbumTrackListModel::LastInDiscRole).toBool(), lastInDisc.at(row));
        }
        QCOMPARE(model.firstSection(), sections.value(0));
    }

    void selectionMoves_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("target");
        QTest::newRow("down, nothing selected") << 4 << -1 << 1 << 0;
        QTest::newRow("up, nothing selected") << 4 << -1 << -1 << 3;
        QTest::newRow("down in the middle") << 4 << 1 << 1 << 2;
        QTest::newRow("down on the last row") << 4 << 3 << 1 << 3;
        QTest::newRow("up on the first row") << 4 << 0 << -1 << 0;
        QTest::newRow("selection gone from the list") << 4 << 9 << -1 << 3;
        QTest::newRow("empty list") << 0 << -1 << 1 << -1;
    }

    void selectionMoves()
    {
        QFETCH(int, count);
        QFETCH(int, selected);
        QFETCH(int, step);
        QFETCH(int, target);
        QCOMPARE(AlbumTrackListModel::moveTarget(count, selected, step), target);
    }

    void metadataLine_data()
    {
        QTest::addColumn<std::optional<qint64>>("year");
        QTest::addColumn<std::optional<qint64>>("duration");
        QTest::addColumn<QString>("line");
        const std::optional<qint64> none;
        QTest::newRow("neither") << none << none << QString();
        QTest::newRow("year alone") << std::optional<qint64>(2001) << none << u"2001"_s;
        QTest::newRow("zero duration")
            << std::optional<qint64>(2001) << std::optional<qint64>(0) << u"2001"_s;
        QTest::newRow("negative") << none << std::optional<qint64>(-5) << QString();
        QTest::newRow("30 s") << none << std::optional<qint64>(30) << u"1 min"_s;
        QTest::newRow("119 s") << none << std::optional<qint64>(119) << u"1 min"_s;
        QTest::newRow("both") << std::optional<qint64>(1999) << std::optional<qint64>(120)
                              << u"1999 \u2022 2 min"_s;
    }

    void metadataLine()
    {
        QFETCH(std::optional<qint64>, year);
        QFETCH(std::optional<qint64>, duration);
        QFETCH(QString, line);
        Album album = pushed(u"al1"_s);
        album.year = year;
        album.duration = duration;
        QCOMPARE(AlbumDetailViewModel::metadataLine(album), line);
    }

    // Loaded from the server: rows by disc, a double click plays the album
    // in the server's order from that song, and the keys move and play.
    void loadsAndPlays()
    {
        m_harness->server().setResponse("/rest/getAlbum",
            TestHttpServer::ok(albumJson(u"al1"_s, {{u"c"_s, 2}, {u"a"_s, 1}, {u"b"_s, 1}})));
        QVERIFY(startStores());
        AlbumDetailViewModel *vm = open(pushed(u"al1"_s));
        QVERIFY(vm->loading());
        QVERIFY(!vm->actionsEnabled());
        QTRY_VERIFY(!vm->loading());
        QVERIFY(vm->actionsEnabled());
        QCOMPARE(idsOf(vm->tracks()->records()), (QStringList {u"a"_s, u"b"_s, u"c"_s}));

        vm->playSelected(); // nothing selected: nothing plays
        QVERIFY(player()->queue().isEmpty());
        QCOMPARE(vm->moveSelection(1), 0);
        QCOMPARE(vm->moveSelection(1), 1);
        vm->playSelected();
        QCOMPARE(player()->queue(), vm->songs());
        QCOMPARE(player()->currentSong()->id, u"b"_s);
        QCOMPARE(player()->currentIndexOrNone(), 2); // server order: c, a, b
        QVERIFY(player()->source() == PlaybackSource::album(u"al1"_s, u"The Album"_s));
        QVERIFY(vm->tracks()->index(1).data(AlbumTrackListModel::CurrentRole).toBool());

        vm->playRow(2); // c
        QCOMPARE(player()->currentIndexOrNone(), 0);
        QCOMPARE(vm->selectedRow(), 2);
        QVERIFY(!vm->tracks()->index(1).data(AlbumTrackListModel::CurrentRole).toBool());

        vm->playRowLast(0); // one song only
        QCOMPARE(player()->queue().size(), 4);
        QCOMPARE(player()->queue().last().id, u"a"_s);
    }

    // The row menu acts on the song of the row it was opened on last; with
    // no row its like item is disabled and it adds nothing.
    void rowMenuActsOnItsRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("first row") << 0 << QStringList {u"a"_s};
        QTest::newRow("row on the second disc") << 2 << QStringList {u"c"_s};
        QTest::newRow("no row") << -1 << QStringList {};
    }

    void rowMenuActsOnItsRow()
    {
        QFETCH(int, row);
        QFETCH(QStringList, sent);
        m_harness->server().setResponse("/rest/getAlbum",
            TestHttpServer::ok(albumJson(u"al1"_s, {{u"c"_s, 2}, {u"a"_s, 1}, {u"b"_s, 1}})));
        m_harness->server().setResponse("/rest/star", TestHttpServer::ok());
        // An add reads the list first.
        m_harness->server().setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p1","name":"Mix"})"));
        m_harness->server().setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        QVERIFY(startStores());
        m_harness->library()->ensurePlaylistsLoaded();
        AlbumDetailViewModel *vm = open(pushed(u"al1"_s));
        QTRY_VERIFY(!vm->loading());
        QTRY_COMPARE(vm->rowPlaylists()->playlistIdAt(0), u"p1"_s);
        vm->prepareRowMenu(1); // an earlier menu's song must not linger
        vm->prepareRowMenu(row);
        QCOMPARE(vm->rowLike()->available(), !sent.isEmpty());
        vm->rowLike()->toggle();
        vm->rowPlaylists()->add(0);
        const TestHttpServer &server = m_harness->server();
        QTest::qWait(100);
        QTRY_COMPARE(server.sentValues("/rest/star", u"id"_s), sent);
        QTRY_COMPARE(server.sentValues("/rest/updatePlaylist", u"songIdToAdd"_s), sent);
    }

    // A page covered by a new push drops the answer of its load; shown again,
    // it loads again.
    void staleLoadDropped()
    {
        TestHttpServer::Response slow = TestHttpServer::ok(albumJson(u"al1"_s, {{u"a"_s, 1}}));
        slow.delayMs = 300;
        m_harness->server().setResponse("/rest/getAlbum", slow);
        QVERIFY(startStores());
        AlbumDetailViewModel *vm = open(pushed(u"al1"_s));
        QSignalSpy loaded(vm, &AlbumDetailViewModel::loadedChanged);
        m_harness->main()->navigation()->push(pushed(u"al2"_s));
        QTest::qWait(600);
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(vm->tracks()->rowCount(), 0);

        m_harness->main()->navigation()->popTo(1);
        QTRY_COMPARE(vm->tracks()->rowCount(), 1);
        QVERIFY(vm->errorMessage().isEmpty());
    }

    // A palette cached for the cover reaches the window as soon as the page
    // is built; an image extracts and caches one; no cover reports none.
    void accentFromPalette()
    {
        m_harness->server().setResponse(
            "/rest/getAlbum", TestHttpServer::ok(albumJson(u"al1"_s, {{u"a"_s, 1}})));
        QVERIFY(startStores());
        const QString key = ArtworkStore::coverKey(client().coverArtURL(u"c1"_s, std::nullopt), u"c1"_s);
        QImage red(32, 32, QImage::Format_RGB32);
        red.fill(Qt::red);
        const std::optional<AlbumPalette> palette = PaletteExtractor::extract(red);
        QVERIFY(palette);
        PaletteExtractor::store(*palette, key);

        AlbumDetailViewModel *vm = open(pushed(u"al1"_s, u"c1"_s));
        QCOMPARE(m_harness->main()->navigation()->windowAccent(), palette->accent.toColor());
        QCOMPARE(vm->fill().value<QColor>(), palette->fill.toColor());

        AlbumDetailViewModel *bare = open(pushed(u"al2"_s));
        QVERIFY(!m_harness->main()->navigation()->windowAccent().isValid());
        QVERIFY(!bare->tint().isValid());

        QImage blue(32, 32, QImage::Format_RGB32);
        blue.fill(QColor(20, 40, 200));
        AlbumDetailViewModel *fresh = open(pushed(u"al3"_s, u"c3"_s));
        QVERIFY(!fresh->accent().isValid());
        fresh->coverImage(blue);
        QVERIFY(fresh->accent().isValid());
        QCOMPARE(m_harness->main()->navigation()->windowAccent(), fresh->accent().value<QColor>());
        const QString freshKey = ArtworkStore::coverKey(client().coverArtURL(u"c3"_s, std::nullopt), u"c3"_s);
        QCOMPARE(PaletteExtractor::cached(freshKey)->accent.toColor(), fresh->accent().value<QColor>());
    }

    // A failing server: the downloaded copy when there is one, else the
    // failure with its message and no actions.
    void offlineFallback_data()
    {
        QTest::addColumn<bool>("downloaded");
        QTest::addColumn<QStringList>("menu");
        QTest::newRow("downloaded") << true << QStringList {u"Remove Download"_s};
        QTest::newRow("not downloaded") << false << QStringList {u"Download"_s};
    }

    void offlineFallback()
    {
        QFETCH(bool, downloaded);
        m_harness->server().setResponse("/rest/getAlbum", TestHttpServer::dropped());
        if (downloaded) {
            DownloadManifest manifest;
            for (const Song &s : songs({{u"s2"_s, 2}, {u"s1"_s, 1}}))
                manifest.songs.insert(s.id, DownloadedSong {s, u"mp3"_s, 1, {u"album:al1"_s}});
            manifest.collections.insert(
                u"album:al1"_s, DownloadCollection {u"album:al1"_s, u"The Album"_s, {}});
            QVERIFY(m_harness->server().listen());
            const QString folder = DownloadStore::directory(m_harness->loopbackAccount());
            QVERIFY(QDir().mkpath(folder));
            QFile file(QDir(folder).filePath(u"manifest.json"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(manifest.toJson());
        }
        QVERIFY(startStores());
        AlbumDetailViewModel *vm = open(pushed(u"al1"_s));
        QTRY_VERIFY(!vm->loading());
        QCOMPARE(vm->errorMessage().isEmpty(), downloaded);
        QCOMPARE(vm->actionsEnabled(), downloaded);
        QCOMPARE(vm->tracks()->rowCount(), downloaded ? 2 : 0);
        if (downloaded)
            QCOMPARE(vm->tracks()->firstSection(), u"1"_s);
        QTEST(menuTexts(*vm->downloadMenu()), "menu");
        QCOMPARE(vm->songIds().size(), downloaded ? 2 : 0);
    }

    // Shown again after the cache was emptied, the page waits for the
    // server with the spinner alone: no row to click where the tracks were.
    // The rows that come back play on a double click.
    void reloadShowsOnlyTheSpinner()
    {
        const QByteArray album = albumJson(u"al1"_s, {{u"a"_s, 0}, {u"b"_s, 0}, {u"c"_s, 0}});
        m_harness->server().setResponse("/rest/getAlbum", TestHttpServer::ok(album));
        QQuickItem *page = openInWindow(pushed(u"al1"_s));
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<AlbumDetailViewModel *>();
        QQuickItem *list = UiTest::findItem(page, u"trackList"_s);
        QTRY_COMPARE(list->property("count").toInt(), 3);

        NavigationModel *navigation = m_harness->main()->navigation();
        navigation->push(pushed(u"al2"_s));
        QTRY_VERIFY(!page->isVisible());
        m_harness->library()->refresh();
        m_harness->server().setResponse("/rest/getAlbum", TestHttpServer::hanging());
        navigation->popTo(1);
        QCOMPARE(m_harness->waitForPage(u"AlbumDetailView"_s), page);
        QQuickItem *spinner = UiTest::findItem(page, u"loadingState"_s);
        QVERIFY(vm->loading());
        QVERIFY(spinner->isVisible());
        // Where the first row would be drawn under the spinner.
        const QPoint under
            = spinner->mapToScene(QPointF(spinner->width() / 2, spinner->height() + 56)).toPoint();
        QTest::mouseDClick(m_harness->window(), Qt::LeftButton, {}, under);
        QCOMPARE(vm->selectedRow(), -1);
        QVERIFY(player()->queue().isEmpty());
        QCOMPARE(list->property("count").toInt(), 0);

        // Left and shown again, it loads again, and its rows work.
        navigation->push(pushed(u"al2"_s));
        QTRY_VERIFY(!page->isVisible());
        m_harness->server().setResponse("/rest/getAlbum", TestHttpServer::ok(album));
        navigation->popTo(1);
        QCOMPARE(m_harness->waitForPage(u"AlbumDetailView"_s), page);
        QTRY_COMPARE(list->property("count").toInt(), 3);
        QVERIFY(!spinner->isVisible());
        QQuickItem *first = nullptr;
        QTRY_VERIFY((first = UiTest::itemAtIndex(list, 0)));
        QTest::mouseDClick(m_harness->window(), Qt::LeftButton, {}, UiTest::centreOf(first));
        QTRY_COMPARE(player()->queue(), vm->songs());
        QCOMPARE(player()->currentSong()->id, u"a"_s);
    }

    // A press on a track dragged up or down, released inside or outside
    // the row, selects that row and leaves the page where it was.
    void pressDragSelectsOnRelease_data()
    {
        QTest::addColumn<QList<int>>("moves"); // vertical offsets from the press, the last one the release
        QTest::newRow("back inside the row") << QList<int> {-10, -30, -60, -30, -4};
        QTest::newRow("released above the row") << QList<int> {-10, -40, -80, -120, -160};
        QTest::newRow("released below the row") << QList<int> {10, 40, 80, 120, 160};
    }

    void pressDragSelectsOnRelease()
    {
        QFETCH(QList<int>, moves);
        QList<Track> tracks;
        for (int n = 0; n < 30; ++n)
            tracks.append({u"t%1"_s.arg(n), 0});
        m_harness->server().setResponse("/rest/getAlbum", TestHttpServer::ok(albumJson(u"al1"_s, tracks)));
        QQuickItem *page = openInWindow(pushed(u"al1"_s));
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<AlbumDetailViewModel *>();
        QQuickItem *list = UiTest::findItem(page, u"trackList"_s);
        // Scrolled partway, so the page could move either way.
        QTRY_VERIFY(list->property("contentHeight").toDouble() > list->height());
        QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, 10), Q_ARG(int, 0));
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = UiTest::itemAtIndex(list, 12)));
        const double contentY = list->property("contentY").toDouble();

        QQuickWindow *window = m_harness->window();
        const QPoint press = UiTest::centreOf(row);
        QTest::mousePress(window, Qt::LeftButton, {}, press);
        for (int dy : moves)
            QTest::mouseMove(window, press + QPoint(0, dy));
        QTest::mouseRelease(window, Qt::LeftButton, {}, press + QPoint(0, moves.last()));
        QTRY_COMPARE(vm->selectedRow(), 12);
        QCOMPARE(list->property("contentY").toDouble(), contentY);
        QVERIFY(row->property("selected").toBool());
    }
};

QTEST_MAIN(TestAlbumDetailViewModel)
#include "tst_AlbumDetailViewModel.moc"
