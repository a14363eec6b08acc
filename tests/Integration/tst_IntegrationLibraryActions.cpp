#include <QNetworkAccessManager>
#include <QTest>

#include "Helpers/RecordLists.h"
#include "Helpers/TestHttpServer.h"
#include "IntegrationServer.h"
#include "Library/LibraryStore.h"
#include "LoopbackRelay.h"
#include "Networking/SubsonicClient.h"

using namespace Qt::StringLiterals;

namespace {

// The playlist this suite creates; a leftover of an aborted run is removed first.
const QString PlaylistName = u"Store integration list"_s;
const QString RenamedPlaylistName = u"Store integration list, renamed"_s;
// The playlist of one test of the writes on their way.
const QString ScratchName = u"Store integration writes"_s;
// The song this suite likes and unlikes (the client suite uses others).
const QString LikedTitle = u"Undertow"_s;

} // namespace

// The library store's likes and playlist edits against supysonic.
class TestIntegrationLibraryActions : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QList<Song> m_songs;

    Song song(const QString &title) const
    {
        for (const Song &song : m_songs) {
            if (song.title == title)
                return song;
        }
        return {};
    }

    bool serverLikes(const QString &songId) const
    {
        const SearchResult result = TestAwait::await(m_client.starred());
        const QList<Song> songs = result.song.value_or(QList<Song>());
        return std::any_of(songs.begin(), songs.end(), [&songId](const Song &s) { return s.id == songId; });
    }

    QStringList songIds(const QStringList &titles) const
    {
        QStringList ids;
        for (const QString &title : titles)
            ids.append(song(title).id);
        return ids;
    }

    // The suite's account, reached through `relay`.
    SubsonicClient relayed(const LoopbackRelay &relay) const
    {
        ServerConfig config = m_server->config(0);
        config.baseURL = relay.url();
        return SubsonicClient(config, m_session);
    }

    void cleanUp()
    {
        if (serverLikes(song(LikedTitle).id))
            TestAwait::await(m_client.setStarred(false, song(LikedTitle).id));
        deletePlaylistsNamed(m_client, {PlaylistName, RenamedPlaylistName, ScratchName});
    }

private Q_SLOTS:
    void initTestCase()
    {
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);

        LibraryStore store(m_client);
        store.ensureSongsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.songsLoaded(), 15'000);
        m_songs = store.songs();
        QVERIFY(!song(LikedTitle).id.isEmpty());
        cleanUp();
    }

    void cleanupTestCase()
    {
        if (m_server)
            cleanUp();
    }

    void likeAndUnlike()
    {
        const Song liked = song(LikedTitle);
        LibraryStore store(m_client);
        store.ensureStarredLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.starredLoaded(), 15'000);
        QVERIFY(!store.isStarred(liked));

        store.toggleStar(liked);
        QVERIFY(store.isStarred(liked));
        QTRY_VERIFY_WITH_TIMEOUT(serverLikes(liked.id), 15'000);

        // A new store reads the like back from the server.
        LibraryStore fresh(m_client);
        fresh.ensureStarredLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(fresh.starredLoaded(), 15'000);
        QVERIFY(fresh.isStarred(liked));
        QVERIFY(fresh.starredIds().contains(liked.id));

        store.toggleStar(liked);
        QVERIFY(!store.isStarred(liked));
        QTRY_VERIFY_WITH_TIMEOUT(!serverLikes(liked.id), 15'000);
        QVERIFY(!store.lastFailure());
    }

    // supysonic refuses to like a song twice: a store that did not know of the
    // first like rolls its own back and records the failure with the
    // server's words.
    void refusedLikeRollsBack()
    {
        const Song liked = song(LikedTitle);
        LibraryStore store(m_client);
        store.ensureStarredLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.starredLoaded(), 15'000);
        TestAwait::await(m_client.setStarred(true, liked.id));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^update your likes failed: "_s));
        store.toggleStar(liked);
        QTRY_VERIFY_WITH_TIMEOUT(store.lastFailure(), 15'000);
        QVERIFY(!store.isStarred(liked));
        QCOMPARE(store.lastFailure()->action(), u"update your likes"_s);
        QCOMPARE(store.lastFailure()->fault().kind(), ConnectionFault::Kind::Server);
        QVERIFY(store.reachability().isOk());
        QVERIFY(serverLikes(liked.id));

        TestAwait::await(m_client.setStarred(false, liked.id));
    }

    void playlistEditCycle_data()
    {
        QTest::addColumn<QString>("route"); // "direct", "308" or "nginx"
        QTest::addColumn<int>("entries"); // songs added at once, cycling through the library
        QTest::addColumn<QByteArray>("longWrites"); // the method of the add and the order
        QTest::newRow("direct") << "direct" << 3 << QByteArray("GET");
        // As a reverse proxy that moves every request on, to https for one.
        QTest::newRow("behind a 308 redirect") << "308" << 3 << QByteArray("GET");
        QTest::newRow("behind a 308 redirect, 300 entries") << "308" << 300 << QByteArray("POST");
        // Through nginx with its default limits: 300 entries make a request
        // line past its 8 KB, 100 stay well within.
        QTest::newRow("through nginx, 100 entries") << "nginx" << 100 << QByteArray("GET");
        QTest::newRow("through nginx, 300 entries") << "nginx" << 300 << QByteArray("POST");
    }

    void playlistEditCycle()
    {
        QFETCH(QString, route);
        QFETCH(int, entries);
        QFETCH(QByteArray, longWrites);
        QList<Song> added;
        if (entries == 3) {
            added = {song(u"Dawn Chorus"_s), song(u"Verdigris"_s), song(u"Vespers"_s)};
        } else {
            for (int n = 0; n < entries; ++n)
                added.append(m_songs.at(n % m_songs.size()));
        }
        const QStringList all = idsOf(added);
        QVERIFY(!all.contains(QString()));

        TestHttpServer front;
        QVERIFY(front.listen());
        front.redirectEverythingTo(m_server->url(), 308);
        QString error;
        const std::optional<IntegrationFront> nginx
            = route == u"nginx" ? IntegrationFront::load(&error) : std::nullopt;
        QVERIFY2(route != u"nginx" || nginx, qPrintable(error));
        const qint64 logged = nginx ? nginx->logSize() : 0;
        ServerConfig config = m_server->config(0);
        if (route == u"308")
            config.baseURL.setPort(front.port());
        else if (nginx)
            config.baseURL = nginx->url();
        LibraryStore store(route == u"direct" ? m_client : SubsonicClient(config, m_session));
        // supysonic answers the create without the new playlist; the store
        // finds it in the reloaded list.
        const std::optional<QString> created = TestAwait::await(store.createPlaylist(PlaylistName));
        QVERIFY(created);
        QVERIFY(!store.lastFailure());
        const QList<Playlist> found = playlistsNamed(m_client, PlaylistName);
        QCOMPARE(found.size(), 1);
        const QString id = found.first().id;
        QCOMPARE(*created, id);
        QVERIFY(std::any_of(store.playlists().cbegin(), store.playlists().cend(),
            [&id](const Playlist &playlist) { return playlist.id == id; }));

        store.ensurePlaylistsLoaded();
        QTRY_VERIFY_WITH_TIMEOUT(store.playlistsLoaded(), 15'000);

        const auto failure
            = [&store] { return store.lastFailure() ? store.lastFailure()->message() : QString(); };
        TestAwait::await(store.addSongs(added, id));
        QVERIFY2(!store.lastFailure(), qPrintable(failure()));
        QCOMPARE(store.playlistRevision(), 1);
        PlaylistDetail detail = TestAwait::await(store.playlistDetail(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), all);

        TestAwait::await(store.removeSong(1, all, id));
        QCOMPARE(store.playlistRevision(), 2);
        QStringList left = all;
        left.removeAt(1);
        detail = TestAwait::await(store.playlistDetail(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), left);

        const QStringList reversed(left.crbegin(), left.crend());
        QVERIFY2(TestAwait::await(store.reorderPlaylist(id, reversed)), qPrintable(failure()));
        detail = TestAwait::await(store.playlistDetail(id));
        QCOMPARE(idsOf(detail.entry.value_or(QList<Song>())), reversed);

        TestAwait::await(store.renamePlaylist(id, RenamedPlaylistName));
        const auto named = [&store, &id] {
            for (const Playlist &playlist : store.playlists()) {
                if (playlist.id == id)
                    return playlist.name;
            }
            return QString();
        };
        QCOMPARE(named(), RenamedPlaylistName);

        QCOMPARE(idsOf(TestAwait::await(m_client.playlist(id)).entry.value_or(QList<Song>())), reversed);
        QCOMPARE(playlistsNamed(m_client, RenamedPlaylistName).size(), 1);

        QVERIFY(TestAwait::await(store.deletePlaylist(id)));
        QCOMPARE(named(), QString());
        QVERIFY(playlistsNamed(m_client, RenamedPlaylistName).isEmpty());
        QVERIFY(store.reachability().isOk());
        QVERIFY(!store.lastFailure());
        if (route == u"308") {
            // Each write went out once: the add, the removal and the rename,
            // the new playlist and the order.
            QCOMPARE(front.requestCount({"/rest/updatePlaylist"}), 3);
            QCOMPARE(front.requestCount({"/rest/createPlaylist"}), 2);
            QCOMPARE(front.requestCount({"/rest/deletePlaylist"}), 1);
            const QList<TestHttpServer::Request> requests = front.requests();
            QByteArrayList writes;
            for (const TestHttpServer::Request &request : requests) {
                if (request.path() == "/rest/updatePlaylist" || request.path() == "/rest/createPlaylist")
                    writes.append(request.method);
            }
            // The new playlist, the add, the removal, the order, the rename.
            QCOMPARE(writes, (QByteArrayList {"GET", longWrites, "GET", longWrites, "GET"}));
        }
        if (nginx) {
            // nginx logs each request once it has answered it.
            const auto writes = [&] {
                QList<IntegrationFront::Logged> found;
                for (const IntegrationFront::Logged &line : nginx->loggedSince(logged)) {
                    if (line.path == "/rest/updatePlaylist" || line.path == "/rest/createPlaylist")
                        found.append(line);
                }
                return found;
            };
            QTRY_COMPARE_WITH_TIMEOUT(writes().size(), 5, 5'000);
            const QList<IntegrationFront::Logged> lines = writes();
            QByteArrayList methods;
            for (const IntegrationFront::Logged &line : lines) {
                methods.append(line.method);
                QCOMPARE(line.status, 200);
            }
            QCOMPARE(methods, (QByteArrayList {"GET", longWrites, "GET", longWrites, "GET"}));
            // The order alone is a request of several kilobytes either way.
            QVERIFY2(lines.at(3).length > 4'000, QByteArray::number(lines.at(3).length).constData());
        }
    }

    // Two orders of one playlist, the first answered slowly, then the run
    // ends at once: the end of the run waits for both, and the next run
    // finds the second order on the server.
    void ordersOnTheirWayAtTheEndOfTheRun()
    {
        const QStringList ids = songIds({u"Dawn Chorus"_s, u"Verdigris"_s, u"Vespers"_s});
        QVERIFY(!ids.contains(QString()));
        ScratchPlaylist playlist(m_client, ScratchName, ids);
        QVERIFY(!playlist.id().isEmpty());

        LoopbackRelay relay(m_server->url());
        relay.delayNextAnswer({"/rest/createPlaylist", "playlistId="}, 800);
        auto store = std::make_unique<LibraryStore>(relayed(relay));
        const QStringList first {ids[2], ids[0], ids[1]};
        const QStringList second {ids[1], ids[2], ids[0]};
        QCoro::Task<bool> slow = store->reorderPlaylist(playlist.id(), first);
        QCoro::Task<bool> last = store->reorderPlaylist(playlist.id(), second);
        LibraryStore::settlePlaylistWrites({store.get()}, 15'000);
        QVERIFY(!store->hasPendingPlaylistWrites());
        store.reset();

        LibraryStore next(m_client);
        const PlaylistDetail held = TestAwait::await(next.playlistDetail(playlist.id()));
        QCOMPARE(idsOf(held.entry.value_or(QList<Song>())), second);
    }

    // A removal the server applied but whose answer never came (the
    // connection closed) removes exactly one song, and reports nothing: the
    // list read afterwards says it landed.
    void removalWhoseAnswerIsCutRemovesOne()
    {
        const QStringList ids = songIds({u"Dawn Chorus"_s, u"Verdigris"_s, u"Vespers"_s});
        QVERIFY(!ids.contains(QString()));
        ScratchPlaylist playlist(m_client, ScratchName, ids);
        QVERIFY(!playlist.id().isEmpty());

        LoopbackRelay relay(m_server->url());
        relay.cutNextAnswer({"/rest/updatePlaylist", "songIndexToRemove="});
        LibraryStore store(relayed(relay));
        TestAwait::await(store.removeSong(1, ids, playlist.id()));
        QVERIFY(!store.lastFailure());
        const QStringList left {ids[0], ids[2]};
        QCOMPARE(
            idsOf(TestAwait::await(m_client.playlist(playlist.id())).entry.value_or(QList<Song>())), left);
        // The removal's answer was the one cut.
        QCOMPARE(relay.cuts(), 1);
    }
};

QTEST_GUILESS_MAIN(TestIntegrationLibraryActions)
#include "tst_IntegrationLibraryActions.moc"
