#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "Downloads/ArtworkFetcher.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/RecordLists.h"
#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"

using namespace Qt::StringLiterals;

namespace {

const QString PlaylistName = u"Integration offline mix"_s;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The download store against supysonic: whole albums and playlists fetched
// through the real "getAlbum", "getPlaylist", "download" and "getCoverArt".
class TestIntegrationDownloads : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QHash<QString, Album> m_albums; // by name, with songs

    static bool settle(DownloadStore &store)
    {
        return QTest::qWaitFor([&store] { return !store.isBusy(); }, 30'000);
    }

    QString songFile(const DownloadStore &store, const Song &song) const
    {
        return QDir(store.directory()).filePath(DownloadStore::songFileName(song.id, *song.suffix));
    }

    Album albumOf(const Song &song) const
    {
        for (const Album &album : m_albums)
            if (album.id == song.albumId)
                return album;
        return {};
    }

    Song song(const QString &title) const
    {
        for (const Album &album : m_albums)
            for (const Song &song : album.song.value_or(QList<Song>()))
                if (song.title == title)
                    return song;
        return {};
    }

    void deleteOurPlaylists() { deletePlaylistsNamed(m_client, {PlaylistName}); }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);

        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        m_albums = albumsByName(m_client);
        deleteOurPlaylists();
    }

    void cleanupTestCase()
    {
        if (m_server)
            deleteOurPlaylists();
    }

    void init()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).removeRecursively();
    }

    void albumOnTwoDiscs()
    {
        const Album listed = m_albums.value(u"Tidal Works"_s);
        DownloadStore store(m_client);
        QVERIFY(settle(store));
        // The store fetches the album's songs itself: hand it the album as a list shows it.
        Album withoutSongs = listed;
        withoutSongs.song.reset();
        store.downloadAlbum(withoutSongs);
        QVERIFY(settle(store));

        const QString owner = u"album:"_s + listed.id;
        QCOMPARE(store.manifest().collections.value(owner),
            (DownloadCollection {owner, u"Tidal Works"_s, u"Aster Vale"_s}));
        QVERIFY(!store.progressAlbumId(listed.id));
        QCOMPARE(store.stateAlbumId(listed.id, idsOf(*listed.song)), CollectionDownloadState::complete());
        QCOMPARE(store.manifest().songs.size(), 6);

        // Every file is the served file, byte for byte.
        qint64 total = 0;
        for (const Song &song : *listed.song) {
            const QByteArray original = readAll(m_server->libraryFile(listed, song));
            QVERIFY2(!original.isEmpty(), qPrintable(m_server->libraryFile(listed, song)));
            QCOMPARE(readAll(songFile(store, song)), original);
            QCOMPARE(store.manifest().songs.value(song.id).bytes, qint64(original.size()));
            QCOMPARE(store.manifest().songs.value(song.id).song, song);
            total += original.size();
        }
        QCOMPARE(store.totalBytes(), total);

        // Offline, the album reads as the server gave it, both discs in order.
        const std::optional<Album> local = store.localAlbum(listed.id);
        QVERIFY(local);
        QCOMPARE(idsOf(local->song.value_or(QList<Song>())), idsOf(*listed.song));
        QCOMPARE(local->name, listed.name);

        // The album's cover is kept for offline use, as the server's image.
        const QString cover = QDir(store.directory() + u"/artwork"_s)
                                  .filePath(ArtworkFetcher::offlineFileName(*listed.coverArt));
        QVERIFY(!QImage(cover).isNull());

        // A store made later for the same account reads it all back.
        DownloadStore again(m_client);
        QVERIFY(settle(again));
        QCOMPARE(again.manifest(), store.manifest());
    }

    void playlistSharesSongsWithAnAlbum()
    {
        const Song neap = song(u"Neap"_s);
        const Song vespers = song(u"Vespers"_s);
        const Song verdigris = song(u"Verdigris"_s);

        // supysonic's answer to a new playlist lacks the playlist; it is there all the same.
        QVERIFY(!TestAwait::await(m_client.createPlaylist(PlaylistName)));
        QString id;
        const QList<Playlist> all = TestAwait::await(m_client.playlists());
        for (const Playlist &playlist : all)
            if (playlist.name == PlaylistName)
                id = playlist.id;
        QVERIFY(!id.isEmpty());
        TestAwait::await(m_client.replacePlaylistSongs(id, {vespers.id, neap.id, verdigris.id}));

        DownloadStore store(m_client);
        const Album tidal = albumOf(neap);
        store.downloadAlbum(tidal);
        QVERIFY(settle(store));
        store.downloadPlaylist(id, u"Offline mix"_s);
        QVERIFY(settle(store));

        const QString albumOwner = u"album:"_s + tidal.id;
        const QString playlistOwner = u"playlist:"_s + id;
        QCOMPARE(store.manifest().songs.size(), 8);
        QCOMPARE(store.manifest().songs.value(neap.id).owners, (QSet<QString> {albumOwner, playlistOwner}));
        QCOMPARE(store.manifest().songs.value(vespers.id).owners, QSet<QString> {playlistOwner});
        QCOMPARE(
            readAll(songFile(store, vespers)), readAll(m_server->libraryFile(albumOf(vespers), vespers)));

        const std::optional<PlaylistDetail> local = store.localPlaylist(id);
        QVERIFY(local);
        QCOMPARE(local->name, u"Offline mix"_s);
        // Offline the entries come by disc, track and title, not in the server's order.
        QCOMPARE(
            idsOf(local->entry.value_or(QList<Song>())), (QStringList {verdigris.id, vespers.id, neap.id}));

        // Removing the album keeps what the playlist still claims.
        store.removeDownloadAlbumId(tidal.id);
        QVERIFY(QFileInfo::exists(songFile(store, neap)));
        QVERIFY(!QFileInfo::exists(songFile(store, song(u"Undertow"_s))));
        QCOMPARE(store.manifest().songs.size(), 3);

        store.removeAll();
        QVERIFY(store.manifest().songs.isEmpty());
        QVERIFY(!QFileInfo::exists(songFile(store, neap)));
        QVERIFY(settle(store));
    }

    void accountsKeepSeparateDownloads()
    {
        const SubsonicClient guest(m_server->config(1), m_session);
        const Album album = m_albums.value(u"Copper Hours"_s);
        DownloadStore store(guest);
        store.downloadAlbum(album);
        QVERIFY(settle(store));
        QCOMPARE(store.stateAlbumId(album.id, idsOf(*album.song)), CollectionDownloadState::complete());
        QCOMPARE_NE(store.directory(), DownloadStore::directory(m_client.config()));
        QVERIFY(!QFileInfo::exists(DownloadStore::directory(m_client.config()) + u"/manifest.json"_s));
        store.removeAll();
        QVERIFY(settle(store));
    }
};

QTEST_GUILESS_MAIN(TestIntegrationDownloads)
#include "tst_IntegrationDownloads.moc"
