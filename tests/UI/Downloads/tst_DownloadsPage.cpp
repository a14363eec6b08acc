#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Downloads/DownloadStore.h"
#include "Downloads/DownloadsViewModel.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "MainViewModel.h"
#include "NavigationModel.h"
#include "Playback/PlayerController.h"
#include "Songs/SongSort.h"
#include "Support/ByteCountText.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

// "title/disc/track/bytes/owner,owner": disc or track "-" for none.
DownloadedSong songFrom(const QString &spec)
{
    const QStringList parts = spec.split(u'/');
    DownloadedSong entry;
    entry.song.id = u"so-"_s + parts.at(0);
    entry.song.title = parts.at(0);
    entry.song.album = u"Album of "_s + parts.at(0);
    entry.song.coverArt = u"al-"_s + parts.at(0);
    if (parts.at(1) != u"-")
        entry.song.discNumber = parts.at(1).toInt();
    if (parts.at(2) != u"-")
        entry.song.track = parts.at(2).toInt();
    entry.suffix = u"mp3"_s;
    entry.bytes = parts.at(3).toLongLong();
    for (const QString &owner : parts.at(4).split(u',', Qt::SkipEmptyParts))
        entry.owners.insert(owner);
    return entry;
}

// Songs as above; collections as "key=name".
DownloadManifest manifestFrom(const QStringList &songs, const QStringList &collections)
{
    DownloadManifest manifest;
    for (const QString &spec : songs) {
        const DownloadedSong entry = songFrom(spec);
        manifest.songs.insert(entry.song.id, entry);
    }
    for (const QString &spec : collections) {
        DownloadCollection collection;
        collection.key = spec.section(u'=', 0, 0);
        collection.name = spec.section(u'=', 1);
        if (collection.key.startsWith(u"album:"_s))
            collection.subtitle = u"Aster Vale"_s;
        manifest.collections.insert(collection.key, collection);
    }
    return manifest;
}

// One section as "name: title,title (detail)" per tile.
QStringList describe(const QList<DownloadedCollectionItem> &items)
{
    QStringList lines;
    for (const DownloadedCollectionItem &item : items) {
        QStringList titles;
        for (const Song &song : item.songs)
            titles.append(song.title);
        lines.append(item.collection.name + u": "_s + titles.join(u',') + u" ("_s
            + DownloadsContent::songsLine(item.songs.size(), item.bytes) + u')');
    }
    return lines;
}

QString dot(const QString &count, qint64 bytes)
{
    return count + u" \u00B7 "_s + ByteCountText::file(bytes);
}

} // namespace

// The downloads page: what the manifest becomes (sections, order, sizes,
// the summary), and the page itself over a real download store.
class TestDownloadsPage : public QObject
{
    Q_OBJECT

    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase() { m_warnings.install(); }
    void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }

    void content_data()
    {
        QTest::addColumn<QStringList>("songs");
        QTest::addColumn<QStringList>("collections");
        QTest::addColumn<QStringList>("albums");
        QTest::addColumn<QStringList>("playlists");
        QTest::addColumn<QString>("summary");

        QTest::newRow("songs on disk but no collection record")
            << QStringList {u"a/1/1/4000/album:x"_s, u"b/1/2/3000/"_s} << QStringList {} << QStringList {}
            << QStringList {} << dot(u"0 collections"_s, 7000);
        QTest::newRow("albums only") << QStringList {u"a/1/1/4000/album:x"_s, u"b/1/1/2000/album:y"_s}
                                     << QStringList {u"album:x=Harbour"_s, u"album:y=Anchor"_s}
                                     << QStringList {u"Anchor: b (%1)"_s.arg(dot(u"1 song"_s, 2000)),
                                            u"Harbour: a (%1)"_s.arg(dot(u"1 song"_s, 4000))}
                                     << QStringList {} << dot(u"2 collections"_s, 6000);
        QTest::newRow("playlists only")
            << QStringList {u"a/1/1/4000/playlist:p"_s} << QStringList {u"playlist:p=Mix"_s} << QStringList {}
            << QStringList {u"Mix: a (%1)"_s.arg(dot(u"1 song"_s, 4000))} << dot(u"1 collection"_s, 4000);
        QTest::newRow("names in the user's order, numbers by value")
            << QStringList {}
            << QStringList {u"album:2=Album 2"_s, u"album:10=album 10"_s, u"album:1=Album 1"_s}
            << QStringList {u"Album 1:  (%1)"_s.arg(dot(u"0 songs"_s, 0)),
                   u"Album 2:  (%1)"_s.arg(dot(u"0 songs"_s, 0)),
                   u"album 10:  (%1)"_s.arg(dot(u"0 songs"_s, 0))}
            << QStringList {} << dot(u"3 collections"_s, 0);
        // Shared: in both tiles and both sizes, once in the total; the
        // orphan counts in the total only.
        QTest::newRow("a song of an album and a playlist")
            << QStringList {u"shared/1/2/5000000/album:x,playlist:p"_s, u"own/1/1/1000000/album:x"_s,
                   u"orphan/1/1/2000000/"_s}
            << QStringList {u"album:x=Harbour"_s, u"playlist:p=Mix"_s}
            << QStringList {u"Harbour: own,shared (%1)"_s.arg(dot(u"2 songs"_s, 6000000))}
            << QStringList {u"Mix: shared (%1)"_s.arg(dot(u"1 song"_s, 5000000))}
            << dot(u"2 collections"_s, 8000000);
        // A playlist plays by disc, track and title, not in its own order;
        // missing numbers count as 0.
        QTest::newRow("play order by disc, track, title")
            << QStringList {u"d/2/1/10/playlist:p"_s, u"c/1/2/10/playlist:p"_s, u"z/-/-/10/playlist:p"_s,
                   u"b/1/2/10/playlist:p"_s, u"a/1/-/10/playlist:p"_s}
            << QStringList {u"playlist:p=Mix"_s} << QStringList {}
            << QStringList {u"Mix: z,a,b,c,d (%1)"_s.arg(dot(u"5 songs"_s, 50))}
            << dot(u"1 collection"_s, 50);
        QTest::newRow("a key of another kind is counted but not shown")
            << QStringList {u"a/1/1/1000/folder:f"_s} << QStringList {u"folder:f=Elsewhere"_s}
            << QStringList {} << QStringList {} << dot(u"1 collection"_s, 1000);
    }

    void content()
    {
        QFETCH(QStringList, songs);
        QFETCH(QStringList, collections);
        const DownloadsContent::Sections sections = DownloadsContent::build(manifestFrom(songs, collections),
            SongSort::collator(QLocale(QLocale::English, QLocale::UnitedStates)));
        QTEST(describe(sections.albums), "albums");
        QTEST(describe(sections.playlists), "playlists");
        QTEST(DownloadsContent::summaryLine(sections.collectionCount, sections.totalBytes), "summary");
    }

    // The page over a real store: a tile opens its album or playlist, plays
    // with its collection as source, and each removal takes out one row
    // until the empty state shows.
    void page()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const ServerConfig config {
            QUrl(u"http://127.0.0.1:%1"_s.arg(closed.serverPort())), u"ann"_s, u"pw"_s};
        closed.close();
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(QDir().mkpath(DownloadStore::directory(config)));
        QFile file(QDir(DownloadStore::directory(config)).filePath(u"manifest.json"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            manifestFrom({u"Two/1/2/3000000/album:al-1"_s, u"One/1/1/2500000/album:al-1,playlist:pl-1"_s},
                {u"album:al-1=Tidal Works"_s, u"playlist:pl-1=Evening Mix"_s})
                .toJson());
        file.close();

        PageHarness harness;
        QVERIFY(harness.start(QSize(900, 640), config));
        QQuickItem *page
            = harness.loadPage(PageRoute::forSelection(SidebarSelection::item(SidebarItem::Downloads)));
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<DownloadsViewModel *>();
        QAbstractItemModelTester albumsTester(
            vm->albums(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester playlistsTester(
            vm->playlists(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(page->property("title").toString(), u"Downloads"_s);

        // The album opens on the album rebuilt from its downloaded songs.
        QQuickItem *albums = UiTest::findItem(page, u"albumsSection"_s);
        QQuickItem *playlists = UiTest::findItem(page, u"playlistsSection"_s);
        QTRY_VERIFY(albums->height() > 0 && playlists->y() >= albums->y() + albums->height()); // laid out
        LIRNA_CLICK(UiTest::findItem(albums, u"collectionArtwork"_s));
        NavigationModel *navigation = harness.main()->navigation();
        QCOMPARE(navigation->depth(), 1);
        QCOMPARE(navigation->path().first().album()->song->size(), 2);
        LIRNA_CLICK(UiTest::findItem(playlists, u"collectionName"_s));
        QCOMPARE(navigation->selection(), std::optional(SidebarSelection::playlist(u"pl-1"_s)));

        vm->shuffle(u"playlist:pl-1"_s);
        QVERIFY(harness.player()->source() == PlaybackSource::playlist(u"pl-1"_s, u"Evening Mix"_s));

        // "Remove Download" from the playlist's menu: one row goes, the
        // shared song stays with its album.
        QSignalSpy resets(vm->playlists(), &QAbstractItemModel::modelReset);
        QSignalSpy removed(vm->playlists(), &QAbstractItemModel::rowsRemoved);
        LIRNA_RIGHT_CLICK(UiTest::findItem(playlists, u"downloadedCollection"_s));
        QQuickItem *remove = nullptr;
        QTRY_VERIFY((remove = UiTest::findVisibleItem(harness.window(), u"removeDownloadEntry"_s)));
        LIRNA_CLICK(remove);
        QTRY_COMPARE(removed.size(), 1);
        QCOMPARE(resets.size(), 0);
        QVERIFY(!playlists->isVisible());
        QCOMPARE(vm->summary(), dot(u"1 collection"_s, 5500000));
        QCOMPARE(UiTest::findItem(albums, u"collectionDetail"_s)->property("text").toString(),
            dot(u"2 songs"_s, 5500000));

        vm->removeDownload(u"album:al-1"_s);
        QVERIFY(vm->isEmpty());
        QVERIFY(UiTest::findItem(page, u"downloadsEmptyState"_s)->isVisible());
        QVERIFY(!UiTest::findItem(page, u"downloadsScroller"_s)->isVisible());
        QTRY_VERIFY(!harness.downloads()->isBusy());
    }
};

QTEST_MAIN(TestDownloadsPage)
#include "tst_DownloadsPage.moc"
