#include <QFile>
#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QSet>
#include <QTest>
#include <QUuid>

#include "Helpers/RecordLists.h"
#include "IntegrationServer.h"
#include "Networking/SubsonicClient.h"

using namespace Qt::StringLiterals;

// The library the harness generates (Harness/make_library.py), album by album.
struct ExpectedAlbum
{
    QString name;
    QString artist;
    qint64 year;
    QString genre;
    QString suffix;
    QStringList titles; // in disc and track order
    QList<qint64> discs; // the disc of each title
};

namespace {

const QList<ExpectedAlbum> ExpectedAlbums {
    {u"First Light"_s, u"Aster Vale"_s, 2019, u"Ambient"_s, u"mp3"_s,
        {u"Dawn Chorus"_s, u"Paper Boats"_s, u"Slow Orbit"_s, u"Glass Harbour"_s, u"Last Ferry"_s},
        {1, 1, 1, 1, 1}},
    {u"Tidal Works"_s, u"Aster Vale"_s, 2021, u"Electronic"_s, u"flac"_s,
        {u"Undertow"_s, u"Salt Lines"_s, u"Neap"_s, u"Spring Tide"_s, u"Breakwater"_s, u"Ebb & Flow"_s},
        {1, 1, 1, 2, 2, 2}},
    {u"Copper Hours"_s, u"Brass Meridian"_s, 2020, u"Jazz"_s, u"mp3"_s,
        {u"Verdigris"_s, u"Half Past Nine"_s, u"Low Brass Lullaby"_s, u"Patina"_s}, {1, 1, 1, 1}},
    {u"Night Psalms"_s, u"Cobalt Choir"_s, 2018, u"Choral"_s, u"flac"_s,
        {u"Vespers"_s, u"Lantern Hymn"_s, u"Nocturne for Eight Voices"_s, u"Matins"_s}, {1, 1, 1, 1}},
    {u"Harbour Lights Sampler"_s, u"Various Artists"_s, 2022, u"Compilation"_s, u"mp3"_s,
        {u"Harbour Lights"_s, u"Brass at Dusk"_s, u"Quiet Antiphon"_s, u"Tidewater Duet"_s, u"Copper Sky"_s,
            u"Evensong"_s},
        {1, 1, 1, 1, 1, 1}},
};
constexpr int SongCount = 25;

// Names of the playlists this suite creates; leftovers of an aborted run are removed first.
const QString PlaylistName = u"Integration ✓ Mix + Match & Co. = 100%"_s;
const QString RenamedPlaylistName = u"Integration renamed"_s;

template<typename T> bool containsId(const std::optional<QList<T>> &list, const QString &id)
{
    return list && std::any_of(list->begin(), list->end(), [&id](const T &item) { return item.id == id; });
}

} // namespace

class TestIntegrationClient : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client; // the administrator
    SubsonicClient m_guest; // the second user
    QHash<QString, Album> m_albums; // by name, each with its songs, as getAlbum answers

    Album album(const QString &name) const { return m_albums.value(name); }

    Song song(const QString &title) const
    {
        for (const Album &album : m_albums) {
            for (const Song &song : album.song.value_or(QList<Song>()))
                if (song.title == title)
                    return song;
        }
        return {};
    }

    QString artistId(const QString &name) const
    {
        for (const Album &album : m_albums) {
            if (album.artist == name)
                return album.artistId.value_or(QString());
        }
        return {};
    }

    void deleteOurPlaylists() { deletePlaylistsNamed(m_client, {PlaylistName, RenamedPlaylistName}); }

    QByteArray fetch(const QUrl &url, int *status = nullptr) const
    {
        const HttpResponse response = TestAwait::await(m_session->data(url));
        if (status)
            *status = response.status.value_or(-1);
        return response.body;
    }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);

        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
        m_guest = SubsonicClient(m_server->config(1), m_session);

        m_albums = albumsByName(m_client);
        QCOMPARE(m_albums.size(), ExpectedAlbums.size());
        deleteOurPlaylists();
    }

    void cleanupTestCase()
    {
        if (m_server)
            deleteOurPlaylists();
    }

    // ---- Sign-in ----

    void signIn_data()
    {
        QTest::addColumn<int>("account");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("passwordSuffix");
        QTest::addColumn<bool>("succeeds");

        QTest::newRow("administrator") << 0 << QString() << QString() << true;
        QTest::newRow("password with non-ASCII and URL delimiters") << 1 << QString() << QString() << true;
        QTest::newRow("wrong password") << 0 << QString() << u"x"_s << false;
        QTest::newRow("other user's password") << 1 << u"lirna"_s << QString() << false;
        QTest::newRow("unknown user") << 0 << u"nobody"_s << QString() << false;
    }

    void signIn()
    {
        QFETCH(int, account);
        QFETCH(QString, username);
        QFETCH(QString, passwordSuffix);
        QFETCH(bool, succeeds);

        ServerConfig config = m_server->config(account);
        if (!username.isEmpty())
            config.username = username;
        config.password += passwordSuffix;
        const SubsonicClient client(config, m_session);

        if (succeeds) {
            TestAwait::await(client.ping());
            return;
        }
        QString other;
        const std::optional<SubsonicError> error = subsonicErrorOf(client.ping(), &other);
        QVERIFY2(error, qPrintable(other));
        QCOMPARE(error->kind(), SubsonicError::Kind::Server);
        QCOMPARE(error->code(), 40);
        QCOMPARE(error->localizedDescription(), u"Wrong username or password."_s);
    }

    // ---- Browsing ----

    void artistIndex()
    {
        const QList<ArtistIndex> index = TestAwait::await(m_client.artists());
        QStringList groups;
        QStringList names;
        QSet<QString> ids;
        for (const ArtistIndex &group : index) {
            groups.append(group.name);
            for (const Artist &artist : group.artist) {
                names.append(artist.name);
                ids.insert(artist.id);
            }
        }
        QCOMPARE(groups, (QStringList {u"A"_s, u"B"_s, u"C"_s, u"V"_s}));
        QCOMPARE(names,
            (QStringList {u"Aster Vale"_s, u"Brass Meridian"_s, u"Cobalt Choir"_s, u"Various Artists"_s}));
        QCOMPARE(ids.size(), 4);
        QVERIFY(ids.contains(artistId(u"Aster Vale"_s)));
        QCOMPARE(index.first().artist.first().albumCount, std::optional<qint64>(2));
    }

    void artistDetail()
    {
        const QString id = artistId(u"Aster Vale"_s);
        QVERIFY(!id.isEmpty());
        const ArtistDetail detail = TestAwait::await(m_client.artist(id));
        QCOMPARE(detail.id, id);
        QCOMPARE(detail.name, u"Aster Vale"_s);
        QVERIFY(detail.album);
        const QStringList names = namesOf(*detail.album);
        QVERIFY2(names.contains(u"First Light"_s) && names.contains(u"Tidal Works"_s),
            qPrintable(names.join(u", ")));
        // supysonic also lists the compilation the artist appears on.
        for (const Album &album : *detail.album) {
            QCOMPARE(album.id, this->album(album.name).id);
            QVERIFY(!album.song); // album lists carry no songs
        }
    }

    void albums_data()
    {
        QTest::addColumn<QString>("name");
        for (const ExpectedAlbum &expected : ExpectedAlbums)
            QTest::newRow(qPrintable(expected.name)) << expected.name;
    }

    void albums()
    {
        QFETCH(QString, name);
        const auto expected = std::find_if(ExpectedAlbums.begin(), ExpectedAlbums.end(),
            [&name](const ExpectedAlbum &album) { return album.name == name; });
        const Album album = TestAwait::await(m_client.album(this->album(name).id));

        QCOMPARE(album.name, name);
        QCOMPARE(album.artist, std::optional<QString>(expected->artist));
        QCOMPARE(album.year, std::optional<qint64>(expected->year));
        QCOMPARE(album.genre, std::optional<QString>(expected->genre));
        QCOMPARE(album.songCount, std::optional<qint64>(expected->titles.size()));
        QVERIFY(album.coverArt && !album.coverArt->isEmpty());
        QVERIFY(album.song);
        const QList<Song> songs = *album.song;
        QCOMPARE(songs.size(), expected->titles.size());

        qint64 total = 0;
        QHash<qint64, qint64> lastTrackOnDisc;
        for (int i = 0; i < songs.size(); ++i) {
            const Song &song = songs.at(i);
            QCOMPARE(song.title, expected->titles.at(i));
            QCOMPARE(song.discNumber, std::optional<qint64>(expected->discs.at(i)));
            // Track numbers start again on every disc.
            QCOMPARE(song.track, std::optional<qint64>(lastTrackOnDisc.value(expected->discs.at(i)) + 1));
            lastTrackOnDisc[expected->discs.at(i)] = *song.track;
            QCOMPARE(song.album, std::optional<QString>(name));
            QCOMPARE(song.albumId, std::optional<QString>(album.id));
            QCOMPARE(song.year, std::optional<qint64>(expected->year));
            QCOMPARE(song.suffix, std::optional<QString>(expected->suffix));
            QCOMPARE(song.contentType,
                std::optional<QString>(expected->suffix == "mp3"_L1 ? u"audio/mpeg"_s : u"audio/flac"_s));
            QCOMPARE(song.duration, std::optional<qint64>(3));
            QCOMPARE(song.coverArt, album.coverArt);
            total += *song.duration;
        }
        QCOMPARE(album.duration, std::optional<qint64>(total));
    }

    void compilationKeepsTrackArtists()
    {
        const Album album = this->album(u"Harbour Lights Sampler"_s);
        QCOMPARE(album.artist, std::optional<QString>(u"Various Artists"_s));
        QStringList artists;
        for (const Song &song : album.song.value_or(QList<Song>()))
            artists.append(song.artist.value_or(QString()));
        QCOMPARE(artists,
            (QStringList {u"Aster Vale"_s, u"Brass Meridian"_s, u"Cobalt Choir"_s, u"Aster Vale"_s,
                u"Brass Meridian"_s, u"Cobalt Choir"_s}));
        QCOMPARE(album.song->first().artistId, std::optional<QString>(artistId(u"Aster Vale"_s)));
    }

    // ---- Album lists ----

    void albumLists_data()
    {
        QTest::addColumn<AlbumListType>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("names"); // in order; empty where the server's order has ties

        const QStringList byName {u"Copper Hours"_s, u"First Light"_s, u"Harbour Lights Sampler"_s,
            u"Night Psalms"_s, u"Tidal Works"_s};
        const QStringList byArtist {u"First Light"_s, u"Tidal Works"_s, u"Copper Hours"_s, u"Night Psalms"_s,
            u"Harbour Lights Sampler"_s};
        for (int offset : {0, 2, 4, 5}) {
            const int count = std::clamp(5 - offset, 0, 2);
            QTest::addRow("alphabeticalByName %d", offset)
                << AlbumListType::AlphabeticalByName << 2 << offset << count << byName.mid(offset, count);
        }
        QTest::newRow("alphabeticalByArtist first page")
            << AlbumListType::AlphabeticalByArtist << 3 << 0 << 3 << byArtist.mid(0, 3);
        QTest::newRow("alphabeticalByArtist last page")
            << AlbumListType::AlphabeticalByArtist << 3 << 3 << 2 << byArtist.mid(3);
        QTest::newRow("newest whole") << AlbumListType::Newest << 10 << 0 << 5 << QStringList();
        QTest::newRow("newest page") << AlbumListType::Newest << 2 << 4 << 1 << QStringList();
        QTest::newRow("frequent whole") << AlbumListType::Frequent << 10 << 0 << 5 << QStringList();
        QTest::newRow("frequent page") << AlbumListType::Frequent << 2 << 1 << 2 << QStringList();
        QTest::newRow("frequent past the end") << AlbumListType::Frequent << 2 << 5 << 0 << QStringList();
        // supysonic ignores the offset of a random list.
        QTest::newRow("random") << AlbumListType::Random << 3 << 0 << 3 << QStringList();
        QTest::newRow("random whole") << AlbumListType::Random << 10 << 0 << 5 << QStringList();
    }

    void albumLists()
    {
        QFETCH(AlbumListType, type);
        QFETCH(int, size);
        QFETCH(int, offset);
        QFETCH(int, count);
        QFETCH(QStringList, names);

        const QList<Album> albums = TestAwait::await(m_client.albums(type, size, offset));
        QCOMPARE(albums.size(), count);
        if (!names.isEmpty())
            QCOMPARE(namesOf(albums), names);
        QSet<QString> ids;
        for (const Album &album : albums) {
            QCOMPARE(album.id, this->album(album.name).id);
            QCOMPARE(album.songCount, this->album(album.name).songCount);
            ids.insert(album.id);
        }
        QCOMPARE(ids.size(), albums.size());
    }

    void highestIsAServerError()
    {
        // supysonic knows no "highest" list and says so with error 0.
        QString other;
        const std::optional<SubsonicError> error
            = subsonicErrorOf(m_client.albums(AlbumListType::Highest, 10, 0), &other);
        QVERIFY2(error, qPrintable(other));
        QCOMPARE(*error, SubsonicError::server(0, u"Unknown search type"_s));
        QCOMPARE(error->localizedDescription(), u"Unknown search type"_s);
    }

    // ---- Songs and search ----

    void songsPageThroughTheLibrary()
    {
        QHash<QString, Song> fromAlbums;
        for (const Album &album : std::as_const(m_albums))
            for (const Song &song : album.song.value_or(QList<Song>()))
                fromAlbums.insert(song.id, song);
        QCOMPARE(fromAlbums.size(), SongCount);

        QHash<QString, Song> paged;
        QList<int> pageSizes;
        for (int offset = 0;; offset += 10) {
            const QList<Song> page = TestAwait::await(m_client.songs(10, offset));
            pageSizes.append(page.size());
            for (const Song &song : page)
                paged.insert(song.id, song);
            if (page.isEmpty() || offset > 100)
                break;
        }
        QCOMPARE(pageSizes, (QList<int> {10, 10, 5, 0}));
        QCOMPARE(paged.size(), SongCount);
        // Every song reads the same from search3 as from its album.
        for (auto it = paged.cbegin(); it != paged.cend(); ++it)
            QCOMPARE(it.value(), fromAlbums.value(it.key()));
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("artists");
        QTest::addColumn<QStringList>("albums");
        QTest::addColumn<QStringList>("songs");

        QTest::newRow("word") << u"Harbour"_s << QStringList() << QStringList {u"Harbour Lights Sampler"_s}
                              << QStringList {u"Glass Harbour"_s, u"Harbour Lights"_s};
        QTest::newRow("artist") << u"Cobalt"_s << QStringList {u"Cobalt Choir"_s} << QStringList()
                                << QStringList();
        QTest::newRow("ampersand") << u"Ebb & F"_s << QStringList() << QStringList()
                                   << QStringList {u"Ebb & Flow"_s};
        QTest::newRow("nothing") << u"zzz-no-such-thing"_s << QStringList() << QStringList() << QStringList();
    }

    void search()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, artists);
        QFETCH(QStringList, albums);
        QFETCH(QStringList, songs);

        const SearchResult result = TestAwait::await(m_client.search(query, 5, 7, 10, 0));
        QStringList foundArtists;
        for (const Artist &artist : result.artist.value_or(QList<Artist>()))
            foundArtists.append(artist.name);
        QStringList foundSongs;
        for (const Song &song : result.song.value_or(QList<Song>()))
            foundSongs.append(song.title);
        foundSongs.sort();
        QCOMPARE(foundArtists, artists);
        QCOMPARE(namesOf(result.album.value_or(QList<Album>())), albums);
        QCOMPARE(foundSongs, songs);
        // supysonic leaves empty lists out.
        QCOMPARE(result.song.has_value(), !songs.isEmpty());
    }

    // ---- Likes ----

    void starAndUnstar_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("song") << u"song"_s;
        QTest::newRow("album") << u"album"_s;
        QTest::newRow("artist") << u"artist"_s;
    }

    void starAndUnstar()
    {
        QFETCH(QString, kind);
        QString id;
        if (kind == "song"_L1)
            id = song(u"Neap"_s).id;
        else if (kind == "album"_L1)
            id = album(u"Copper Hours"_s).id;
        else
            id = artistId(u"Cobalt Choir"_s);
        QVERIFY(!id.isEmpty());

        const auto setStarred = [&kind, this](const SubsonicClient &client, bool starred, const QString &id) {
            if (kind == "song"_L1)
                return client.setStarred(starred, id);
            if (kind == "album"_L1)
                return client.setStarredAlbumId(starred, id);
            return client.setStarredArtistId(starred, id);
        };
        const auto isStarred = [&kind](const SubsonicClient &client, const QString &id) {
            const SearchResult result = TestAwait::await(client.starred());
            if (kind == "song"_L1)
                return containsId(result.song, id);
            if (kind == "album"_L1)
                return containsId(result.album, id);
            return containsId(result.artist, id);
        };

        // Unstarring what is not starred succeeds: it also clears a leftover of an aborted run.
        TestAwait::await(setStarred(m_client, false, id));
        QVERIFY(!isStarred(m_client, id));

        TestAwait::await(setStarred(m_client, true, id));
        QVERIFY(isStarred(m_client, id));
        // Likes belong to their user.
        QVERIFY(!isStarred(m_guest, id));

        // supysonic refuses to star twice, with error 0; the client reports it as it stands.
        QString other;
        const std::optional<SubsonicError> error = subsonicErrorOf(setStarred(m_client, true, id), &other);
        QVERIFY2(error, qPrintable(other));
        QCOMPARE(error->kind(), SubsonicError::Kind::Server);
        QCOMPARE(error->code(), 0);
        QVERIFY(isStarred(m_client, id));

        TestAwait::await(setStarred(m_client, false, id));
        QVERIFY(!isStarred(m_client, id));
    }

    void starredListsAreLeftOutWhenEmpty()
    {
        const SearchResult result = TestAwait::await(m_guest.starred());
        QVERIFY(!result.song && !result.album && !result.artist);
    }

    // ---- Playlists ----

    void playlistLifeCycle()
    {
        const QString a = song(u"Dawn Chorus"_s).id;
        const QString b = song(u"Verdigris"_s).id;
        const QString c = song(u"Vespers"_s).id;
        const QString d = song(u"Spring Tide"_s).id;

        // supysonic answers a created playlist with an empty success, without
        // its "playlist".
        QVERIFY(!TestAwait::await(m_client.createPlaylist(PlaylistName)));
        QString other;

        // It was created all the same, under the name exactly as given.
        const QList<Playlist> found = playlistsNamed(m_client, PlaylistName);
        QCOMPARE(found.size(), 1);
        const QString id = found.first().id;
        QCOMPARE(found.first().songCount, std::optional<qint64>(0));

        PlaylistDetail detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(detail.id, id);
        QCOMPARE(detail.name, PlaylistName);
        QVERIFY(!detail.entry); // an empty playlist has no "entry" at all

        TestAwait::await(m_client.updatePlaylist(id, std::nullopt, {a, b, c}, {}));
        detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), (QStringList {a, b, c}));
        QCOMPARE(detail.songCount, std::optional<qint64>(3));
        QCOMPARE(detail.entry->at(1), song(u"Verdigris"_s));

        TestAwait::await(m_client.updatePlaylist(id, std::nullopt, {}, {1}));
        detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), (QStringList {a, c}));

        // supysonic applies additions before removals: index 0 is still the first old entry.
        TestAwait::await(m_client.updatePlaylist(id, std::nullopt, {d}, {0}));
        detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), (QStringList {c, d}));

        TestAwait::await(m_client.updatePlaylist(id, RenamedPlaylistName, {}, {}));
        TestAwait::await(m_client.replacePlaylistSongs(id, {d, a, b}));
        detail = TestAwait::await(m_client.playlist(id));
        QCOMPARE(detail.name, RenamedPlaylistName);
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), (QStringList {d, a, b}));
        QCOMPARE(detail.duration, std::optional<qint64>(9));

        // The other user neither sees nor deletes it.
        QVERIFY(playlistsNamed(m_guest, RenamedPlaylistName).isEmpty());
        std::optional<SubsonicError> refused = subsonicErrorOf(m_guest.deletePlaylist(id), &other);
        QVERIFY2(refused, qPrintable(other));
        QCOMPARE(refused->kind(), SubsonicError::Kind::Server);
        QCOMPARE(refused->code(), 50);

        TestAwait::await(m_client.replacePlaylistSongs(id, {}));
        QVERIFY(!TestAwait::await(m_client.playlist(id)).entry);

        TestAwait::await(m_client.deletePlaylist(id));
        QVERIFY(playlistsNamed(m_client, RenamedPlaylistName).isEmpty());
        const std::optional<SubsonicError> gone = subsonicErrorOf(m_client.playlist(id), &other);
        QVERIFY2(gone, qPrintable(other));
        QCOMPARE(gone->kind(), SubsonicError::Kind::Server);
        QCOMPARE(gone->code(), 70);
    }

    // ---- Play reports, cover art, audio ----

    void scrobble()
    {
        const QString id = song(u"Patina"_s).id;
        TestAwait::await(m_client.scrobble(id, false));
        TestAwait::await(m_client.scrobble(id, true));

        QString other;
        const std::optional<SubsonicError> error = subsonicErrorOf(
            m_client.scrobble(QUuid::createUuid().toString(QUuid::WithoutBraces), true), &other);
        QVERIFY2(error, qPrintable(other));
        QCOMPARE(error->kind(), SubsonicError::Kind::Server);
        QCOMPARE(error->code(), 70);
    }

    void coverArt_data()
    {
        QTest::addColumn<int>("size"); // 0: none asked for
        QTest::addColumn<int>("edge");
        QTest::newRow("sized") << 64 << 64;
        QTest::newRow("as stored") << 0 << 300;
    }

    void coverArt()
    {
        QFETCH(int, size);
        QFETCH(int, edge);

        int status = 0;
        const QByteArray body = fetch(m_client.coverArtURL(*album(u"Night Psalms"_s).coverArt,
                                          size ? std::optional<int>(size) : std::nullopt),
            &status);
        QCOMPARE(status, 200);
        QImage image;
        QVERIFY(image.loadFromData(body));
        QCOMPARE(image.size(), QSize(edge, edge));
    }

    void missingCoverArtIsAnErrorInsideHttp200()
    {
        int status = 0;
        const QByteArray body = fetch(m_client.coverArtURL(u"999999"_s, 64), &status);
        QCOMPARE(status, 200);
        QVERIFY(QImage::fromData(body).isNull());
        QVERIFY_THROWS_EXCEPTION(
            SubsonicError, SubsonicClient::decodePayload<SubsonicPayloads::EmptyPayload>(body));
    }

    void streamAndDownload_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("mp3") << u"Dawn Chorus"_s << u"Aster Vale/First Light/1-01 Dawn Chorus.mp3"_s
                             << QByteArray("ID3");
        QTest::newRow("flac") << u"Spring Tide"_s << u"Aster Vale/Tidal Works/2-01 Spring Tide.flac"_s
                              << QByteArray("fLaC");
    }

    void streamAndDownload()
    {
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QByteArray, magic);

        QFile original(m_server->libraryPath() + u'/' + file);
        QVERIFY2(original.open(QIODevice::ReadOnly), qPrintable(original.fileName()));
        const QByteArray bytes = original.readAll();
        QVERIFY(bytes.startsWith(magic));

        const QString id = song(title).id;
        int status = 0;
        // Served as stored: the client asks for no other format or bit rate.
        QCOMPARE(fetch(m_client.url(u"download"_s, {{u"id"_s, id}}), &status), bytes);
        QCOMPARE(status, 200);
        QCOMPARE(fetch(m_client.url(u"stream"_s, {{u"id"_s, id}}), &status), bytes);
        QCOMPARE(status, 200);
    }

    void recentFollowsStreams()
    {
        // supysonic keeps play times to the second: stream in a later second
        // than the streams above so that this play is the most recent.
        QTest::qWait(1100);
        fetch(m_client.url(u"stream"_s, {{u"id"_s, song(u"Matins"_s).id}}));

        const QList<Album> recent = TestAwait::await(m_client.albums(AlbumListType::Recent, 10, 0));
        QVERIFY(!recent.isEmpty());
        QCOMPARE(recent.first().name, u"Night Psalms"_s);
        const QStringList names = namesOf(recent);
        QVERIFY2(names.contains(u"First Light"_s) && names.contains(u"Tidal Works"_s),
            qPrintable(names.join(u", ")));
        // Past its end the server leaves the list out: an empty page, not a failure.
        QVERIFY(TestAwait::await(m_client.albums(AlbumListType::Recent, 10, int(recent.size()))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIntegrationClient)
#include "tst_IntegrationClient.moc"
