#include <QNetworkAccessManager>
#include <QSet>
#include <QTest>

#include "Helpers/RecordLists.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "Networking/SubsonicClient.h"

using namespace Qt::StringLiterals;

// The library store's loaders against supysonic's real answers.
class TestIntegrationLibrary : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;

    SubsonicClient client(int account, const QString &passwordSuffix = {}) const
    {
        ServerConfig config = m_server->config(account);
        config.password += passwordSuffix;
        return SubsonicClient(config, m_session);
    }

    static bool idle(const LibraryStore &store, AlbumListType type)
    {
        return QTest::qWaitFor([&store, type] { return !store.albumList(type).isLoading; }, 15'000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
    }

    void wholeCollections()
    {
        // The second user has no likes and no playlists: supysonic leaves those lists out.
        LibraryStore store(client(1));
        store.ensureArtistsLoaded();
        store.ensureSongsLoaded();
        store.ensureStarredLoaded();
        store.ensurePlaylistsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(
            store.artistsLoaded() && store.songsLoaded() && store.starredLoaded() && store.playlistsLoaded(),
            15'000);

        QCOMPARE(store.artistsError(), std::nullopt);
        QCOMPARE(store.songsError(), std::nullopt);
        QCOMPARE(store.starredError(), std::nullopt);
        QCOMPARE(store.playlistsError(), std::nullopt);

        QCOMPARE(store.artistIndexes().size(), 4);
        QSet<QString> artists;
        for (const Artist &artist : store.allArtists())
            artists.insert(artist.name);
        QCOMPARE(artists,
            (QSet<QString> {u"Aster Vale"_s, u"Brass Meridian"_s, u"Cobalt Choir"_s, u"Various Artists"_s}));

        QSet<QString> songIds;
        for (const Song &song : store.songs())
            songIds.insert(song.id);
        QCOMPARE(store.songs().size(), 25);
        QCOMPARE(songIds.size(), 25);

        QVERIFY(store.starredSongs().isEmpty());
        QVERIFY(store.starredAlbums().isEmpty());
        QVERIFY(store.playlists().isEmpty());
        QVERIFY(store.reachability().isOk());
        QVERIFY(store.hasCachedContent());
    }

    void albumListPages()
    {
        LibraryStore store(client(0));
        store.loadMoreAlbums(AlbumListType::AlphabeticalByName);
        QVERIFY(idle(store, AlbumListType::AlphabeticalByName));
        AlbumListState state = store.albumList(AlbumListType::AlphabeticalByName);
        QCOMPARE(namesOf(state.albums),
            (QStringList {u"Copper Hours"_s, u"First Light"_s, u"Harbour Lights Sampler"_s, u"Night Psalms"_s,
                u"Tidal Works"_s}));
        // Fewer than a page: the list has reached its end.
        QVERIFY(state.reachedEnd);
        QCOMPARE(state.errorMessage, std::nullopt);
    }

    void unsupportedListIsAnErrorOfThatList()
    {
        LibraryStore store(client(0));
        store.loadMoreAlbums(AlbumListType::Highest);
        QVERIFY(idle(store, AlbumListType::Highest));
        const AlbumListState state = store.albumList(AlbumListType::Highest);
        QVERIFY(state.albums.isEmpty());
        QCOMPARE(state.errorMessage, std::optional<QString>(u"Unknown search type"_s));
        // A server's refusal of one list says nothing about reaching it.
        QVERIFY(store.reachability().isOk());
    }

    void discographyNewestAlbumFirst()
    {
        LibraryStore store(client(0));
        store.ensureArtistsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.artistsLoaded(), 15'000);
        QString asterVale;
        for (const Artist &artist : store.allArtists())
            if (artist.name == "Aster Vale"_L1)
                asterVale = artist.id;
        QVERIFY(!asterVale.isEmpty());

        // supysonic lists the compilation the artist appears on (2022) with
        // the artist's own albums (2021, 2019).
        const QList<Song> songs = TestAwait::await(store.artistDiscographySongs(asterVale));
        const QStringList titles = titlesOf(songs);
        QCOMPARE(titles.size(), 17);
        QCOMPARE(titles.first(), u"Harbour Lights"_s);
        QCOMPARE(titles.at(6), u"Undertow"_s);
        QCOMPARE(titles.at(9), u"Spring Tide"_s);
        QCOMPARE(titles.last(), u"Last Ferry"_s);
        QCOMPARE(store.albumDetails().size(), 3);
        QVERIFY(store.artistDetails().contains(asterVale));
    }

    void refusedPasswordMarksTheServerFailing()
    {
        LibraryStore store(client(0, u"-wrong"_s));
        store.ensureArtistsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.artistsLoaded(), 15'000);
        QCOMPARE(store.artistsError(), std::optional<QString>(u"Wrong username or password."_s));
        QVERIFY(store.reachability().isFailing());
        QCOMPARE(store.reachability().fault().kind(), ConnectionFault::Kind::Unauthorized);
        QVERIFY(store.artistIndexes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIntegrationLibrary)
#include "tst_IntegrationLibrary.moc"
