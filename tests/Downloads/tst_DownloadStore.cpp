#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <limits>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "Downloads/ArtworkFetcher.h"
#include "Downloads/DownloadStore.h"
#include "Helpers/FullDisk.h"
#include "Helpers/TestHttpServer.h"
#include "Networking/UrlSession.h"

using namespace Qt::StringLiterals;

namespace {

// A small Subsonic library behind the loopback server.
struct Library
{
    QHash<QString, Album> albums;
    QHash<QString, PlaylistDetail> playlists;
    QHash<QString, TestHttpServer::Response> files; // by song id
    QHash<QString, TestHttpServer::Response> covers; // by cover id
    TestHttpServer::Response albumAnswer; // used when status != 200 or hang
    bool albumOverride = false;

    TestHttpServer::Response answer(const TestHttpServer::Request &request) const
    {
        const QByteArray path = request.path();
        const QString id = request.queryValue(u"id"_s);
        if (path == "/rest/getAlbum") {
            if (albumOverride)
                return albumAnswer;
            if (!albums.contains(id))
                return TestHttpServer::failed(70, "not found");
            return TestHttpServer::ok(
                "\"album\":" + QJsonDocument(albums.value(id).toJson()).toJson(QJsonDocument::Compact));
        }
        if (path == "/rest/getPlaylist") {
            if (!playlists.contains(id))
                return TestHttpServer::failed(70, "not found");
            return TestHttpServer::ok(
                "\"playlist\":" + QJsonDocument(playlists.value(id).toJson()).toJson(QJsonDocument::Compact));
        }
        TestHttpServer::Response missing;
        missing.status = 404;
        missing.body = "missing";
        if (path == "/rest/download")
            return files.value(id, missing);
        if (path == "/rest/getCoverArt")
            return covers.value(id, missing);
        return missing;
    }
};

TestHttpServer::Response fileResponse(const QByteArray &body)
{
    TestHttpServer::Response r;
    r.body = body;
    r.contentType = "application/octet-stream";
    return r;
}

Song makeSong(const QString &id, std::optional<QString> suffix = u"mp3"_s, std::optional<QString> cover = {},
    std::optional<qint64> track = {})
{
    Song s;
    s.id = id;
    s.title = u"Title "_s + id;
    s.album = u"The Album"_s;
    s.suffix = std::move(suffix);
    s.coverArt = std::move(cover);
    s.track = track;
    s.duration = 100;
    return s;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList downloadIds(const QList<TestHttpServer::Request> &requests)
{
    QStringList ids;
    for (const auto &r : requests) {
        if (r.path() == "/rest/download")
            ids.append(r.queryValue(u"id"_s));
    }
    return ids;
}

int countPath(const QList<TestHttpServer::Request> &requests, const QByteArray &path)
{
    int n = 0;
    for (const auto &r : requests)
        n += r.path() == path;
    return n;
}

// How a "manifest.json" that the store cannot use lies in the folder.
enum class StoredAs { File, Folder, Socket, Fifo, Other };

// What lies at `path`, without opening it (a FIFO would block).
StoredAs storedAs(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return StoredAs::Other;
    if (S_ISREG(info.st_mode))
        return StoredAs::File;
    if (S_ISDIR(info.st_mode))
        return StoredAs::Folder;
    if (S_ISSOCK(info.st_mode))
        return StoredAs::Socket;
    return S_ISFIFO(info.st_mode) ? StoredAs::Fifo : StoredAs::Other;
}

// A socket cannot be opened as a file, not even by root. Bound from inside
// its folder: the full path is longer than a socket address may be.
bool makeSocket(const QString &path)
{
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(QFileInfo(path).path()))
        return false;
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    QDir::setCurrent(previous);
    return bound;
}

} // namespace

Q_DECLARE_METATYPE(StoredAs)

class TestDownloadStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    TestHttpServer *m_server = nullptr;
    Library m_library;
    SubsonicClient m_client;

    QString songFile(const QString &id, const QString &suffix) const
    {
        return QDir(DownloadStore::directory(m_client.config()))
            .filePath(DownloadStore::songFileName(id, suffix));
    }
    QString coverFile(const QString &cover) const
    {
        return QDir(DownloadStore::directory(m_client.config()))
            .filePath(u"artwork/"_s + ArtworkFetcher::offlineFileName(cover));
    }
    QString manifestPath() const
    {
        return QDir(DownloadStore::directory(m_client.config())).filePath(u"manifest.json"_s);
    }
    // Waits until the store has no run and no cover download going.
    static bool settle(DownloadStore &store)
    {
        return QTest::qWaitFor([&] { return !store.isBusy(); }, LIRNA_TRY_TIMEOUT_MS);
    }
    void addAlbum(const QString &id, const QList<Song> &songs, std::optional<QString> artist = u"Artist"_s)
    {
        Album album;
        album.id = id;
        album.name = u"Album "_s + id;
        album.artist = std::move(artist);
        album.song = songs;
        m_library.albums.insert(id, album);
        for (const Song &s : songs) {
            if (!m_library.files.contains(s.id))
                m_library.files.insert(s.id, fileResponse("audio of " + s.id.toUtf8()));
        }
    }

    // Writes a manifest as an earlier run would have left it.
    void writeManifest(const DownloadManifest &manifest)
    {
        QVERIFY(QDir().mkpath(DownloadStore::directory(m_client.config())));
        QFile f(manifestPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(manifest.toJson());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        m_server = new TestHttpServer(this);
        QVERIFY(m_server->listen());
        m_server->setHandler([this](const TestHttpServer::Request &r) { return m_library.answer(r); });
        m_client = SubsonicClient(
            ServerConfig {m_server->baseUrl(), u"user"_s, u"secret"_s}, UrlSession::shared());
    }

    void init()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).removeRecursively();
        m_library = Library();
        m_server->clearRequests();
    }

    void folders()
    {
        const QString dir = DownloadStore::directory(m_client.config());
        QVERIFY(dir.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Lirna/Downloads/"_s));
        QVERIFY(dir.startsWith(m_home.path()));
        const QString accountKey = u"user@"_s + m_server->baseUrl().toString();
        QCOMPARE(QFileInfo(dir).fileName(), ArtworkFetcher::offlineFileName(accountKey));
        // Another server or user is another folder.
        ServerConfig other = m_client.config();
        other.username = u"someone"_s;
        QCOMPARE_NE(DownloadStore::directory(other), dir);

        DownloadStore store(m_client);
        QCOMPARE(store.directory(), dir);
        QVERIFY(QFileInfo(dir + u"/artwork"_s).isDir());
        QCOMPARE(ArtworkFetcher::shared()->offlineDirectory(), std::optional(dir + u"/artwork"_s));
        QVERIFY(settle(store));
    }

    void wholeAlbumOneSongAtATime()
    {
        addAlbum(u"a1"_s,
            {makeSong(u"s1"_s, u"mp3"_s, u"c1"_s, 1), makeSong(u"s2"_s, u""_s, u"c1"_s, 2),
                makeSong(u"s3"_s, std::nullopt, u"c2"_s, 3)});
        m_library.covers.insert(u"c1"_s, fileResponse("cover one"));
        m_library.covers.insert(u"c2"_s, fileResponse("cover two"));

        DownloadStore store(m_client);
        QVERIFY(settle(store));
        QList<std::optional<DownloadProgress>> seen;
        connect(&store, &DownloadStore::activeChanged, this,
            [&] { seen.append(store.progressAlbumId(u"a1"_s)); });
        QSignalSpy manifestSpy(&store, &DownloadStore::manifestChanged);
        QSignalSpy revisionSpy(&store, &DownloadStore::revisionChanged);

        const Album album = m_library.albums.value(u"a1"_s);
        store.downloadAlbum(album);
        store.downloadAlbum(album); // a second call while the run goes starts nothing
        QVERIFY(store.isBusy());
        QVERIFY(settle(store));

        QCOMPARE(countPath(m_server->requests(), "/rest/getAlbum"), 1);
        QCOMPARE(downloadIds(m_server->requests()), QStringList({u"s1"_s, u"s2"_s, u"s3"_s}));
        QCOMPARE(seen,
            (QList<std::optional<DownloadProgress>> {DownloadProgress {3, 0, false},
                DownloadProgress {3, 1, false}, DownloadProgress {3, 2, false},
                DownloadProgress {3, 3, false}, std::nullopt}));
        QVERIFY(manifestSpy.count() >= 4);
        // Every change of the manifest or of the progress moves the revision
        // that QML bindings of the queries read.
        QCOMPARE(revisionSpy.count(), manifestSpy.count() + seen.size());
        QCOMPARE(store.revision(), store.property("revision").toInt());

        QCOMPARE(readAll(songFile(u"s1"_s, u"mp3"_s)), "audio of s1");
        QCOMPARE(readAll(songFile(u"s2"_s, u"audio"_s)), "audio of s2");
        QCOMPARE(readAll(songFile(u"s3"_s, u"audio"_s)), "audio of s3");
        const DownloadManifest &m = store.manifest();
        QCOMPARE(m.songs.size(), 3);
        QCOMPARE(m.songs.value(u"s2"_s).suffix, u"audio"_s);
        QCOMPARE(m.songs.value(u"s1"_s).bytes, qint64(11));
        QCOMPARE(m.songs.value(u"s1"_s).owners, QSet<QString> {u"album:a1"_s});
        QCOMPARE(m.collections.value(u"album:a1"_s),
            (DownloadCollection {u"album:a1"_s, u"Album a1"_s, u"Artist"_s}));
        QCOMPARE(DownloadManifest::fromJson(readAll(manifestPath())), std::optional(m));
        QCOMPARE(
            store.stateAlbumId(u"a1"_s, {u"s1"_s, u"s2"_s, u"s3"_s}), CollectionDownloadState::complete());

        // Covers once each, at 1024 pixels, stored as sent.
        QCOMPARE(countPath(m_server->requests(), "/rest/getCoverArt"), 2);
        for (const auto &r : m_server->requests()) {
            if (r.path() == "/rest/getCoverArt")
                QCOMPARE(r.queryValue(u"size"_s), u"1024"_s);
        }
        QCOMPARE(readAll(coverFile(u"c1"_s)), "cover one");
        QCOMPARE(readAll(coverFile(u"c2"_s)), "cover two");
        // Nothing half-written is left behind.
        const QStringList names = QDir(store.directory()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(names.size(), 4);
    }

    void playlistAndSharedSong()
    {
        addAlbum(u"a1"_s, {makeSong(u"s1"_s), makeSong(u"s2"_s)}, std::nullopt);
        PlaylistDetail playlist;
        playlist.id = u"p1"_s;
        playlist.name = u"Server name"_s;
        playlist.entry = QList<Song> {makeSong(u"s2"_s), makeSong(u"s9"_s)};
        m_library.playlists.insert(u"p1"_s, playlist);
        m_library.files.insert(u"s9"_s, fileResponse("nine"));

        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        m_server->clearRequests();
        store.downloadPlaylist(u"p1"_s, u"Mix"_s);
        QVERIFY(settle(store));

        // The shared song is not fetched again; it gains the second owner.
        QCOMPARE(downloadIds(m_server->requests()), QStringList {u"s9"_s});
        const DownloadManifest &m = store.manifest();
        QCOMPARE(m.songs.value(u"s2"_s).owners, (QSet<QString> {u"album:a1"_s, u"playlist:p1"_s}));
        QCOMPARE(m.collections.value(u"playlist:p1"_s),
            (DownloadCollection {u"playlist:p1"_s, u"Mix"_s, u"Playlist"_s}));
        QCOMPARE(m.collections.value(u"album:a1"_s).subtitle, std::nullopt);

        // Removing one owner keeps the shared file; removing the other deletes it.
        store.removeDownloadAlbumId(u"a1"_s);
        QVERIFY(!QFileInfo::exists(songFile(u"s1"_s, u"mp3"_s)));
        QVERIFY(QFileInfo::exists(songFile(u"s2"_s, u"mp3"_s)));
        QCOMPARE(m.songs.value(u"s2"_s).owners, QSet<QString> {u"playlist:p1"_s});
        store.removeDownloadKey(u"playlist:p1"_s);
        QVERIFY(!QFileInfo::exists(songFile(u"s2"_s, u"mp3"_s)));
        QVERIFY(store.manifest().songs.isEmpty());
        QVERIFY(store.manifest().collections.isEmpty());
        QVERIFY(settle(store)); // the file is written on a worker
        QCOMPARE(DownloadManifest::fromJson(readAll(manifestPath())), std::optional(DownloadManifest()));
    }

    void stopsOnFirstFailure()
    {
        QList<Song> songs;
        for (int i = 1; i <= 5; ++i)
            songs.append(makeSong(u"s%1"_s.arg(i), u"mp3"_s, u"c"_s));
        addAlbum(u"a1"_s, songs);
        m_library.files.remove(u"s3"_s); // 404
        m_library.covers.insert(u"c"_s, fileResponse("cover"));

        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::optional(DownloadProgress {5, 2, true}));
        QCOMPARE(downloadIds(m_server->requests()), QStringList({u"s1"_s, u"s2"_s, u"s3"_s}));
        QCOMPARE(store.manifest().songs.size(), 2);
        QVERIFY(!store.manifest().isDownloaded(u"album:a1"_s));
        QCOMPARE(countPath(m_server->requests(), "/rest/getCoverArt"), 0);
        QVERIFY(!QFileInfo::exists(songFile(u"s3"_s, u"mp3"_s)));
        QCOMPARE(store.stateAlbumId(u"a1"_s, {u"s1"_s, u"s2"_s, u"s3"_s, u"s4"_s, u"s5"_s}),
            CollectionDownloadState::partial(2, 5));

        // A new run starts over and skips what is on disk.
        m_library.files.insert(u"s3"_s, fileResponse("three"));
        m_server->clearRequests();
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::optional(DownloadProgress {5, 2, true}));
        QVERIFY(settle(store));
        QCOMPARE(downloadIds(m_server->requests()), QStringList({u"s3"_s, u"s4"_s, u"s5"_s}));
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::nullopt);
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
    }

    void brokenTransfers_data()
    {
        QTest::addColumn<TestHttpServer::Response>("response");
        QTest::addColumn<bool>("kept");
        TestHttpServer::Response truncated;
        truncated.rawBody = true;
        truncated.body = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\nonly a part";
        QTest::newRow("body cut short") << truncated << false;
        QTest::newRow("connection dropped") << TestHttpServer::dropped() << false;
        TestHttpServer::Response error = fileResponse("<html>server error</html>");
        error.status = 500;
        QTest::newRow("status 500") << error << false;
        // Servers that report a missing song inside an HTTP 200.
        TestHttpServer::Response envelope = TestHttpServer::failed(70, "Song not found");
        QTest::newRow("error envelope with status 200") << envelope << false;
        TestHttpServer::Response xmlEnvelope = fileResponse(
            R"(<subsonic-response status="failed"><error code="70" message="Song not found"/></subsonic-response>)");
        xmlEnvelope.contentType = "text/xml; charset=utf-8";
        QTest::newRow("xml error envelope with status 200") << xmlEnvelope << false;
        // A login page of the network in between, or a proxy's error.
        TestHttpServer::Response page = fileResponse("<!DOCTYPE html><html><body>Sign in</body></html>");
        page.contentType = "text/html; charset=utf-8";
        QTest::newRow("web page with status 200") << page << false;
        TestHttpServer::Response text = fileResponse("Transcoding failed");
        text.contentType = "text/plain";
        QTest::newRow("text error with status 200") << text << false;
        // Named as a document: refused by its type alone.
        for (const char *type : {"application/xml", "application/json", "application/problem+json",
                 "application/xhtml+xml", "text/csv"}) {
            TestHttpServer::Response document = fileResponse("Song not found");
            document.contentType = type;
            QTest::newRow(type) << document << false;
        }
        envelope.contentType = "audio/mpeg";
        QTest::newRow("error envelope named audio") << envelope << false;
        xmlEnvelope.contentType = "application/octet-stream";
        QTest::newRow("xml error envelope named as bytes") << xmlEnvelope << false;
        page.contentType = QByteArray();
        QTest::newRow("web page without a type") << page << false;
        QTest::newRow("empty body") << fileResponse(QByteArray()) << false;
        TestHttpServer::Response shortBody = fileResponse(QByteArray(1000, 'a'));
        shortBody.contentType = "audio/mpeg";
        shortBody.sendOnly = 100;
        QTest::newRow("shorter than announced") << shortBody << false;
        TestHttpServer::Response audio = fileResponse("ID3 audio bytes");
        audio.contentType = "audio/mpeg";
        QTest::newRow("audio") << audio << true;
        // How servers that name a file by its bytes answer an Ogg, an M4A, a
        // WebM or a FLAC file; and a server that names no type.
        for (const char *type : {"application/ogg", "video/mp4", "video/webm", "application/x-flac",
                 "audio/flac", "application/octet-stream", ""}) {
            TestHttpServer::Response song = fileResponse("OggS audio bytes");
            song.contentType = type;
            QTest::newRow(*type ? type : "no type") << song << true;
        }
    }

    void brokenTransfers()
    {
        QFETCH(TestHttpServer::Response, response);
        QFETCH(bool, kept);
        addAlbum(u"a1"_s, {makeSong(u"s1"_s)});
        m_library.files.insert(u"s1"_s, response);
        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        if (kept) {
            QCOMPARE(store.progressAlbumId(u"a1"_s), std::nullopt);
            QCOMPARE(readAll(songFile(u"s1"_s, u"mp3"_s)), response.body);
            QCOMPARE(store.manifest().songs.value(u"s1"_s).bytes, response.body.size());
            return;
        }
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::optional(DownloadProgress {1, 0, true}));
        QVERIFY(store.manifest().songs.isEmpty());
        QVERIFY(!store.manifest().isDownloaded(u"album:a1"_s));
        // No file under the song's name, and no leftover partial file either.
        QCOMPARE(
            QDir(store.directory()).entryList(QDir::Files | QDir::Hidden), QStringList {u"manifest.json"_s});
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"s1"_s), m_client.config()), std::nullopt);

        // Once the server answers with the song, a new run fetches it.
        m_library.files.insert(u"s1"_s, fileResponse("audio of s1"));
        m_server->clearRequests();
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QCOMPARE(downloadIds(m_server->requests()), QStringList {u"s1"_s});
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
        QCOMPARE(readAll(songFile(u"s1"_s, u"mp3"_s)), "audio of s1");
    }

    void fullDiskKeepsEarlierDownloads_data()
    {
        QTest::addColumn<bool>("roomForSong");
        QTest::newRow("no room") << false;
        // The song fits, the manifest that would list it does not.
        QTest::newRow("room for the song only") << true;
    }

    // The disk fills up while a second album comes in: the song fails, and
    // everything downloaded before stays listed and playable, also for the
    // store of the next start. A cover that found no space is fetched later
    // rather than kept empty.
    void fullDiskKeepsEarlierDownloads()
    {
        QFETCH(bool, roomForSong);
        addAlbum(u"a1"_s, {makeSong(u"s1"_s, u"mp3"_s, u"c1"_s, 1), makeSong(u"s2"_s, u"mp3"_s, u"c1"_s, 2)});
        addAlbum(u"a2"_s, {makeSong(u"s3"_s)});
        addAlbum(u"a3"_s, {});
        FullDisk disk(DownloadStore::directory(m_client.config()));
        {
            DownloadStore store(m_client);
            store.downloadAlbum(m_library.albums.value(u"a1"_s));
            QVERIFY(settle(store));
            QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
            QVERIFY(!QFileInfo::exists(coverFile(u"c1"_s))); // the server had none then
            if (roomForSong)
                disk.leaveRoomFor(m_library.files.value(u"s3"_s).body.size());
            else
                disk.fill();
            store.downloadAlbum(m_library.albums.value(u"a2"_s));
            store.downloadAlbum(m_library.albums.value(u"a3"_s));
            QVERIFY(settle(store));
            QCOMPARE(store.progressAlbumId(u"a2"_s), std::optional(DownloadProgress {1, 0, true}));
            QCOMPARE(store.progressAlbumId(u"a3"_s), std::optional(DownloadProgress {0, 0, true}));
            QVERIFY(!store.manifest().isDownloaded(u"album:a3"_s));
            QVERIFY(!store.manifest().songs.contains(u"s3"_s));
            QVERIFY(!QFileInfo::exists(songFile(u"s3"_s, u"mp3"_s)));
            QCOMPARE(store.totalBytes(), qint64(2 * 11));
        }
        m_library.covers.insert(u"c1"_s, fileResponse("the cover of one"));
        {
            // Started while the disk is still full: the cover finds no space.
            DownloadStore store(m_client);
            QVERIFY(settle(store));
            QCOMPARE(countPath(m_server->requests(), "/rest/getCoverArt"), 2);
            QVERIFY(!QFileInfo::exists(coverFile(u"c1"_s)));
        }
        disk.release();

        DownloadStore store(m_client);
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
        QCOMPARE(store.manifest().songs.keys().size(), 2);
        for (const QString &id : {u"s1"_s, u"s2"_s}) {
            const std::optional<QUrl> local = DownloadStore::localFileURL(makeSong(id), m_client.config());
            QVERIFY(local);
            QCOMPARE(readAll(local->toLocalFile()), "audio of " + id.toUtf8());
        }
        QCOMPARE(store.totalBytes(), qint64(2 * 11));
        QCOMPARE(readAll(coverFile(u"c1"_s)), "the cover of one");
        store.downloadAlbum(m_library.albums.value(u"a2"_s));
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:a2"_s));

        // An empty cover that an older build left is fetched again.
        QVERIFY(QFile(coverFile(u"c1"_s)).resize(0));
        DownloadStore next(m_client);
        QVERIFY(settle(next));
        QCOMPARE(readAll(coverFile(u"c1"_s)), "the cover of one");
    }

    void collectionFetchFails()
    {
        DownloadStore store(m_client);
        store.downloadAlbum(Album {u"nope"_s, u"Nope"_s});
        store.downloadPlaylist(u"nope"_s, u"Nope"_s);
        QVERIFY(settle(store));
        QCOMPARE(store.progressAlbumId(u"nope"_s), std::optional(DownloadProgress {0, 0, true}));
        QCOMPARE(store.progressPlaylistId(u"nope"_s), std::optional(DownloadProgress {0, 0, true}));
    }

    void emptyAlbumIsCompleteAtOnce()
    {
        addAlbum(u"e"_s, {});
        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"e"_s));
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:e"_s));
        QCOMPARE(store.stateAlbumId(u"e"_s, {}), CollectionDownloadState::complete());
        QCOMPARE(store.progressAlbumId(u"e"_s), std::nullopt);
    }

    // Removing while the run fetches the list, a song or the covers removes
    // everything and never leaves a "failed" mark behind.
    void removeWhileRunning_data()
    {
        QTest::addColumn<QByteArray>("hangOn");
        QTest::newRow("fetching the album") << QByteArray("getAlbum");
        QTest::newRow("fetching a song") << QByteArray("s2");
        QTest::newRow("fetching the covers") << QByteArray("cover");
    }

    void removeWhileRunning()
    {
        QFETCH(QByteArray, hangOn);
        addAlbum(u"a1"_s, {makeSong(u"s1"_s, u"mp3"_s, u"c"_s), makeSong(u"s2"_s, u"mp3"_s, u"c"_s)});
        TestHttpServer::Response hang = TestHttpServer::hanging();
        if (hangOn == "getAlbum") {
            m_library.albumOverride = true;
            m_library.albumAnswer = hang;
        } else if (hangOn == "s2") {
            m_library.files.insert(u"s2"_s, hang);
        } else {
            m_library.covers.insert(u"c"_s, hang);
        }
        DownloadStore store(m_client);
        QVERIFY(settle(store));
        QSignalSpy requests(m_server, &TestHttpServer::requestReceived);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        const QByteArray path = hangOn == "getAlbum" ? "/rest/getAlbum"
            : hangOn == "s2"                         ? "/rest/download"
                                                     : "/rest/getCoverArt";
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const auto &r : m_server->requests()) {
                    if (r.path() == path && (hangOn != "s2" || r.queryValue(u"id"_s) == u"s2"_s))
                        return true;
                }
                return false;
            },
            LIRNA_TRY_TIMEOUT_MS));

        store.removeDownloadAlbumId(u"a1"_s);
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::nullopt);
        QVERIFY(store.manifest().songs.isEmpty());
        QVERIFY(!store.manifest().isDownloaded(u"album:a1"_s));
        QVERIFY(settle(store));
        QTest::qWait(50);
        QCOMPARE(store.progressAlbumId(u"a1"_s), std::nullopt);
        QVERIFY(store.manifest().songs.isEmpty());
        QCOMPARE(
            QDir(store.directory()).entryList(QDir::Files | QDir::Hidden), QStringList {u"manifest.json"_s});
        QVERIFY(QDir(store.directory() + u"/artwork"_s).isEmpty());

        // The album can be downloaded again at once.
        m_library = Library();
        addAlbum(u"a1"_s, {makeSong(u"s1"_s)});
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
    }

    // The session stops the old store's runs before it builds a new one: the
    // old store then writes nothing more.
    void cancelAllStopsWithoutWriting()
    {
        addAlbum(u"a1"_s, {makeSong(u"s1"_s), makeSong(u"s2"_s)});
        TestHttpServer::Response slow = fileResponse("slow");
        slow.delayMs = 200;
        m_library.files.insert(u"s2"_s, slow);
        auto *store = new DownloadStore(m_client);
        store->downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(QTest::qWaitFor(
            [&] { return downloadIds(m_server->requests()).contains(u"s2"_s); }, LIRNA_TRY_TIMEOUT_MS));
        store->cancelAll();
        QVERIFY(!store->isBusy());
        // What was saved before is on disk once the runs stopped.
        const QByteArray before = readAll(manifestPath());
        const std::optional<DownloadManifest> saved = DownloadManifest::fromJson(before);
        QVERIFY(saved);
        QCOMPARE(saved->songs.keys(), QStringList {u"s1"_s});
        QCOMPARE(store->progressAlbumId(u"a1"_s), std::nullopt);
        delete store;
        QTest::qWait(400);
        QCOMPARE(readAll(manifestPath()), before);
        // What the stopped run fetched stays, like after a failure.
        DownloadStore next(m_client);
        QCOMPARE(next.manifest().songs.keys(), QStringList {u"s1"_s});
        QVERIFY(!QFileInfo::exists(songFile(u"s2"_s, u"mp3"_s)));
        QVERIFY(settle(next));
    }

    // Stopping aborts the runs' requests, which resumes the runs at once:
    // several runs at a time must stop cleanly however the store stops them.
    void stoppingSeveralRuns_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel all") << 0;
        QTest::newRow("remove all") << 1;
        QTest::newRow("store destroyed") << 2;
    }

    void stoppingSeveralRuns()
    {
        QFETCH(int, how);
        QStringList albums {u"a1"_s, u"a2"_s, u"a3"_s};
        for (const QString &id : albums) {
            addAlbum(id, {makeSong(id + u"-s"_s)});
            m_library.files.insert(id + u"-s"_s, TestHttpServer::hanging());
        }
        auto *store = new DownloadStore(m_client);
        for (const QString &id : albums)
            store->downloadAlbum(m_library.albums.value(id));
        QVERIFY(QTest::qWaitFor(
            [&] { return downloadIds(m_server->requests()).size() == 3; }, LIRNA_TRY_TIMEOUT_MS));
        if (how == 0)
            store->cancelAll();
        else if (how == 1)
            store->removeAll();
        if (how != 2) {
            QVERIFY(!store->isBusy());
            QVERIFY(store->active().isEmpty());
            QVERIFY(store->manifest().songs.isEmpty());
        }
        delete store;
        QTest::qWait(20);
        DownloadStore next(m_client);
        QVERIFY(next.manifest().songs.isEmpty());
        // No song file and no partial file is left behind.
        QStringList files = QDir(next.directory()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(u"manifest.json"_s);
        QCOMPARE(files, QStringList());
        next.cancelAll();
    }

    // A song fetched anew because its file went missing records the new
    // file, and a run finds it on disk the next time.
    void refetchRecordsNewSuffix()
    {
        addAlbum(u"a1"_s, {makeSong(u"s1"_s, u"flac"_s)});
        {
            DownloadStore store(m_client);
            store.downloadAlbum(m_library.albums.value(u"a1"_s));
            QVERIFY(settle(store));
        }
        QVERIFY(QFile::remove(songFile(u"s1"_s, u"flac"_s)));
        // The server now serves the song as mp3.
        m_library = Library();
        addAlbum(u"a2"_s, {makeSong(u"s1"_s, u"mp3"_s)});
        m_library.files.insert(u"s1"_s, fileResponse("new mp3 bytes"));
        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a2"_s));
        QVERIFY(settle(store));
        const DownloadedSong entry = store.manifest().songs.value(u"s1"_s);
        QCOMPARE(entry.suffix, u"mp3"_s);
        QCOMPARE(entry.bytes, qint64(13));
        QCOMPARE(entry.owners, (QSet<QString> {u"album:a1"_s, u"album:a2"_s}));
        m_server->clearRequests();
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QVERIFY(downloadIds(m_server->requests()).isEmpty());
        store.removeAll();
    }

    // A suffix that is no short plain name part falls back to "audio"; the
    // file stays in the folder and the album still completes.
    void serverSuffixes_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << u"flac"_s << u"flac"_s;
        QTest::newRow("sixteen characters") << u"abcdefgh12345678"_s << u"abcdefgh12345678"_s;
        QTest::newRow("leaves the folder") << u"x/../../../escaped"_s << u"audio"_s;
        QTest::newRow("backslash") << u"a\\b"_s << u"audio"_s;
        QTest::newRow("seventeen characters") << u"abcdefgh123456789"_s << u"audio"_s;
        QTest::newRow("300 characters") << QString(300, u'x') << u"audio"_s;
        QTest::newRow("not a plain name part") << u"mp3 .exe"_s << u"audio"_s;
    }

    void serverSuffixes()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, stored);
        addAlbum(u"a1"_s, {makeSong(u"s1"_s, suffix), makeSong(u"s2"_s)});
        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
        QCOMPARE(store.manifest().songs.value(u"s1"_s).suffix, stored);
        QCOMPARE(readAll(songFile(u"s1"_s, stored)), "audio of s1");
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"s1"_s, suffix), m_client.config()),
            std::optional(QUrl::fromLocalFile(songFile(u"s1"_s, stored))));
    }

    void stateTable_data()
    {
        QTest::addColumn<QStringList>("songIds");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<CollectionDownloadState>("expected");
        const QStringList three {u"s1"_s, u"s2"_s, u"s3"_s};
        QTest::newRow("no ids, recorded") << QStringList() << true << CollectionDownloadState::complete();
        QTest::newRow("no ids, not recorded") << QStringList() << false << CollectionDownloadState::none();
        QTest::newRow("all claimed, not yet recorded")
            << QStringList {u"s1"_s, u"s2"_s} << false << CollectionDownloadState::complete();
        QTest::newRow("all claimed, recorded")
            << QStringList {u"s1"_s, u"s2"_s} << true << CollectionDownloadState::complete();
        QTest::newRow("none claimed, recorded")
            << QStringList {u"x"_s, u"y"_s} << true << CollectionDownloadState::partial(0, 2);
        QTest::newRow("none claimed, not recorded")
            << QStringList {u"x"_s, u"y"_s} << false << CollectionDownloadState::none();
        QTest::newRow("some claimed") << three << false << CollectionDownloadState::partial(2, 3);
        QTest::newRow("server lists new songs")
            << (three + QStringList {u"s4"_s}) << true << CollectionDownloadState::partial(2, 4);
        QTest::newRow("claimed by another owner only")
            << QStringList {u"s1"_s, u"other"_s} << false << CollectionDownloadState::partial(1, 2);
        QTest::newRow("an id twice counts twice")
            << QStringList {u"s1"_s, u"s1"_s, u"x"_s} << false << CollectionDownloadState::partial(2, 3);
    }

    void stateTable()
    {
        QFETCH(QStringList, songIds);
        QFETCH(bool, recorded);
        QFETCH(CollectionDownloadState, expected);
        DownloadManifest m;
        m.songs.insert(
            u"s1"_s, DownloadedSong {makeSong(u"s1"_s), u"mp3"_s, 1, {u"album:a"_s, u"playlist:a"_s}});
        m.songs.insert(
            u"s2"_s, DownloadedSong {makeSong(u"s2"_s), u"mp3"_s, 1, {u"album:a"_s, u"playlist:a"_s}});
        m.songs.insert(u"other"_s, DownloadedSong {makeSong(u"other"_s), u"mp3"_s, 1, {u"album:b"_s}});
        if (recorded) {
            m.collections.insert(u"album:a"_s, DownloadCollection {u"album:a"_s, u"A"_s, {}});
            m.collections.insert(
                u"playlist:a"_s, DownloadCollection {u"playlist:a"_s, u"P"_s, u"Playlist"_s});
        }
        writeManifest(m);
        DownloadStore store(m_client);
        QCOMPARE(store.manifest(), m);
        QCOMPARE(store.stateAlbumId(u"a"_s, songIds), expected);
        QCOMPARE(store.statePlaylistId(u"a"_s, songIds), expected);
        store.cancelAll();
    }

    void localCopies()
    {
        DownloadManifest m;
        Song first = makeSong(u"s1"_s, u"mp3"_s, u"c1"_s, 2);
        first.discNumber = 1;
        first.artist = u"Artist"_s;
        first.artistId = u"ar1"_s;
        first.year = 1999;
        Song second = makeSong(u"s2"_s, u"mp3"_s, u"c2"_s, 1);
        second.discNumber = 1;
        second.duration = std::nullopt;
        Song third = makeSong(u"s3"_s, u"mp3"_s, u"c3"_s, 1);
        third.discNumber = 2;
        third.duration = 50;
        for (const Song &s : {first, second, third})
            m.songs.insert(s.id, DownloadedSong {s, u"mp3"_s, 1, {u"album:a"_s, u"playlist:p"_s}});
        Song untitled = makeSong(u"u1"_s);
        untitled.album = std::nullopt;
        m.songs.insert(u"u1"_s, DownloadedSong {untitled, u"mp3"_s, 1, {u"album:named"_s, u"album:bare"_s}});
        m.collections.insert(u"album:named"_s, DownloadCollection {u"album:named"_s, u"Record Name"_s, {}});
        m.collections.insert(u"playlist:p"_s, DownloadCollection {u"playlist:p"_s, u"Mix"_s, u"Playlist"_s});
        m.collections.insert(u"album:empty"_s, DownloadCollection {u"album:empty"_s, u"Empty"_s, {}});
        writeManifest(m);
        DownloadStore store(m_client);

        const auto album = store.localAlbum(u"a"_s);
        QVERIFY(album);
        QCOMPARE(album->id, u"a"_s);
        QCOMPARE(album->name, u"The Album"_s); // the second song sorts first: disc 1, track 1
        QCOMPARE(album->song->size(), 3);
        QCOMPARE(album->song->at(0).id, u"s2"_s);
        QCOMPARE(album->song->at(2).id, u"s3"_s);
        QCOMPARE(album->coverArt, std::optional(u"c2"_s));
        QCOMPARE(album->songCount, 3);
        QCOMPARE(album->duration, 150);
        QCOMPARE(album->genre, std::nullopt);

        QCOMPARE(store.localAlbum(u"named"_s)->name, u"Record Name"_s);
        QCOMPARE(store.localAlbum(u"bare"_s)->name, QString());
        QCOMPARE(store.localAlbum(u"empty"_s), std::nullopt); // a record but no songs
        QCOMPARE(store.localAlbum(u"unknown"_s), std::nullopt);

        const auto playlist = store.localPlaylist(u"p"_s);
        QVERIFY(playlist);
        QCOMPARE(playlist->name, u"Mix"_s);
        QCOMPARE(playlist->songCount, 3);
        QCOMPARE(playlist->duration, 150);
        QCOMPARE(playlist->coverArt, std::optional(u"c2"_s));
        QCOMPARE(playlist->entry->at(0).id, u"s2"_s);
        QCOMPARE(store.localPlaylist(u"a"_s), std::nullopt);
        store.cancelAll();
    }

    void collectionsLargestFirst()
    {
        DownloadManifest m;
        const auto add = [&](const QString &id, qint64 bytes, QSet<QString> owners) {
            m.songs.insert(id, DownloadedSong {makeSong(id), u"mp3"_s, bytes, owners});
        };
        add(u"s1"_s, 100, {u"album:small"_s, u"album:big"_s});
        add(u"s2"_s, 500, {u"album:big"_s});
        add(u"s3"_s, 300, {u"playlist:mid"_s});
        for (const QString &key : {u"album:small"_s, u"album:big"_s, u"playlist:mid"_s})
            m.collections.insert(key, DownloadCollection {key, key, {}});
        writeManifest(m);
        DownloadStore store(m_client);
        QStringList keys;
        for (const DownloadCollection &c : store.downloadedCollections())
            keys.append(c.key);
        QCOMPARE(keys, QStringList({u"album:big"_s, u"playlist:mid"_s, u"album:small"_s}));
        QCOMPARE(store.totalBytes(), 900);
        QCOMPARE(store.property("downloadedCollections").toList().size(), 3);
        store.cancelAll();
    }

    // Sizes and durations come from the server: their sums stop at the limits
    // of 64 bits instead of wrapping around.
    void sumsSaturate_data()
    {
        QTest::addColumn<QList<qint64>>("values");
        QTest::addColumn<qint64>("sum");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        QTest::newRow("small") << QList<qint64> {1, 2, 3} << qint64(6);
        QTest::newRow("reaches the limit") << QList<qint64> {max - 1, 1} << max;
        QTest::newRow("one past the limit") << QList<qint64> {max, 1} << max;
        QTest::newRow("three near the limit") << QList<qint64> {max - 5, max - 5, max - 5} << max;
        QTest::newRow("below the lower limit") << QList<qint64> {min + 1, -2} << min;
    }

    void sumsSaturate()
    {
        QFETCH(QList<qint64>, values);
        QFETCH(qint64, sum);
        DownloadManifest m;
        for (qsizetype i = 0; i < values.size(); ++i) {
            Song song = makeSong(u"s%1"_s.arg(i));
            song.duration = values.at(i);
            m.songs.insert(
                song.id, DownloadedSong {song, u"mp3"_s, values.at(i), {u"album:a"_s, u"playlist:p"_s}});
        }
        m.collections.insert(u"album:a"_s, DownloadCollection {u"album:a"_s, u"A"_s, {}});
        writeManifest(m);
        DownloadStore store(m_client);
        QCOMPARE(store.totalBytes(), sum);
        QCOMPARE(store.manifest().bytes(u"album:a"_s), sum);
        QCOMPARE(store.localAlbum(u"a"_s)->duration, std::optional(sum));
        QCOMPARE(store.localPlaylist(u"p"_s)->duration, std::optional(sum));
        store.cancelAll();
    }

    // A manifest that cannot be read starts the store empty, and no downloaded
    // file (song or cover) is deleted because of it. The next save replaces
    // one that was read but could not be decoded; one that could not be read
    // at all may still be whole and is kept as it is.
    void unreadableManifest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<StoredAs>("storedAs");
        QTest::newRow("torn") << QByteArray("{\"songs\":{\"s1\":{\"song\":{\"id\":\"s1\",") << StoredAs::File;
        QTest::newRow("empty") << QByteArray() << StoredAs::File;
        QTest::newRow("wrong shape") << QByteArray("{\"songs\":[],\"collections\":{}}") << StoredAs::File;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe garbage", 12) << StoredAs::File;
        QTest::newRow("a folder of that name") << QByteArray() << StoredAs::Folder;
        QTest::newRow("a socket of that name") << QByteArray() << StoredAs::Socket;
        QTest::newRow("a FIFO of that name") << QByteArray() << StoredAs::Fifo;
    }

    void unreadableManifest()
    {
        QFETCH(QByteArray, content);
        QFETCH(StoredAs, storedAs);
        const QString dir = DownloadStore::directory(m_client.config());
        QVERIFY(QDir().mkpath(dir + u"/artwork"_s));
        if (storedAs == StoredAs::File) {
            QFile f(manifestPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        } else if (storedAs == StoredAs::Folder) {
            QVERIFY(QDir().mkpath(manifestPath()));
        } else if (storedAs == StoredAs::Socket) {
            QVERIFY(makeSocket(manifestPath()));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(manifestPath()).constData(), 0600), 0);
        }
        const QString oldSong = songFile(u"old"_s, u"mp3"_s);
        const QString oldCover = coverFile(u"oldcover"_s);
        for (const QString &path : {oldSong, oldCover}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("kept");
        }

        addAlbum(u"a1"_s, {makeSong(u"s1"_s)});
        DownloadStore store(m_client);
        QCOMPARE(store.manifest(), DownloadManifest());
        // Left as it is until the next save.
        QCOMPARE(::storedAs(manifestPath()), storedAs);
        if (storedAs == StoredAs::File)
            QCOMPARE(readAll(manifestPath()), content);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(settle(store));
        QVERIFY(store.manifest().isDownloaded(u"album:a1"_s));
        store.removeDownloadAlbumId(u"a1"_s);
        QVERIFY(settle(store));
        QVERIFY(QFileInfo::exists(oldSong));
        QVERIFY(QFileInfo::exists(oldCover));
        if (storedAs == StoredAs::File) {
            QCOMPARE(DownloadManifest::fromJson(readAll(manifestPath())), std::optional(DownloadManifest()));
        } else {
            QCOMPARE(::storedAs(manifestPath()), storedAs);
        }
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"old"_s), m_client.config()),
            std::optional(QUrl::fromLocalFile(oldSong)));
    }

    void startupFetchesMissingCoversAndRemovalPrunes()
    {
        DownloadManifest m;
        m.songs.insert(
            u"s1"_s, DownloadedSong {makeSong(u"s1"_s, u"mp3"_s, u"shared"_s), u"mp3"_s, 1, {u"album:a"_s}});
        m.songs.insert(
            u"s2"_s, DownloadedSong {makeSong(u"s2"_s, u"mp3"_s, u"shared"_s), u"mp3"_s, 1, {u"album:b"_s}});
        m.songs.insert(
            u"s3"_s, DownloadedSong {makeSong(u"s3"_s, u"mp3"_s, u"own"_s), u"mp3"_s, 1, {u"album:a"_s}});
        writeManifest(m);
        for (const QString &id : {u"s1"_s, u"s2"_s, u"s3"_s}) {
            QFile f(songFile(id, u"mp3"_s));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        m_library.covers.insert(u"shared"_s, fileResponse("shared cover"));
        m_library.covers.insert(u"own"_s, fileResponse("own cover"));

        DownloadStore store(m_client);
        QVERIFY(store.isBusy());
        QVERIFY(settle(store));
        QCOMPARE(readAll(coverFile(u"shared"_s)), "shared cover");
        QCOMPARE(readAll(coverFile(u"own"_s)), "own cover");
        QCOMPARE(countPath(m_server->requests(), "/rest/getCoverArt"), 2);

        // Album a goes: its own cover goes, the one album b still uses stays.
        store.removeDownloadAlbumId(u"a"_s);
        QVERIFY(!QFileInfo::exists(coverFile(u"own"_s)));
        QVERIFY(QFileInfo::exists(coverFile(u"shared"_s)));
        QVERIFY(!QFileInfo::exists(songFile(u"s1"_s, u"mp3"_s)));
        QVERIFY(QFileInfo::exists(songFile(u"s2"_s, u"mp3"_s)));

        // Removing everything leaves only an empty manifest.
        store.removeAll();
        QCOMPARE(QDir(store.directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList {u"manifest.json"_s});
        QCOMPARE(DownloadManifest::fromJson(readAll(manifestPath())), std::optional(DownloadManifest()));
        QCOMPARE(store.manifest(), DownloadManifest());
    }

    // A cover whose transfer broke off is no cover: nothing is kept, so the
    // next start asks for it again.
    void cutOffCoverIsNotKept()
    {
        DownloadManifest m;
        m.songs.insert(
            u"s1"_s, DownloadedSong {makeSong(u"s1"_s, u"mp3"_s, u"cut"_s), u"mp3"_s, 1, {u"album:a"_s}});
        writeManifest(m);
        QFile song(songFile(u"s1"_s, u"mp3"_s));
        QVERIFY(song.open(QIODevice::WriteOnly));
        TestHttpServer::Response cut = fileResponse("a cover that breaks off part way");
        cut.sendOnly = 10;
        m_library.covers.insert(u"cut"_s, cut);

        DownloadStore store(m_client);
        QVERIFY(settle(store));
        QCOMPARE(countPath(m_server->requests(), "/rest/getCoverArt"), 1);
        QVERIFY(!QFileInfo::exists(coverFile(u"cut"_s)));
    }

    // The start-up cover walk goes on through a removal, but keeps no cover
    // that no downloaded song uses any more.
    void removalDuringStartupCovers()
    {
        DownloadManifest m;
        m.songs.insert(
            u"s1"_s, DownloadedSong {makeSong(u"s1"_s, u"mp3"_s, u"slow"_s), u"mp3"_s, 1, {u"album:a"_s}});
        m.songs.insert(
            u"s2"_s, DownloadedSong {makeSong(u"s2"_s, u"mp3"_s, u"kept"_s), u"mp3"_s, 1, {u"album:b"_s}});
        writeManifest(m);
        for (const QString &id : {u"s1"_s, u"s2"_s}) {
            QFile f(songFile(id, u"mp3"_s));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        TestHttpServer::Response slow = fileResponse("slow cover");
        slow.delayMs = 200;
        m_library.covers.insert(u"slow"_s, slow);
        m_library.covers.insert(u"kept"_s, fileResponse("kept cover"));
        DownloadStore store(m_client);
        QVERIFY(QTest::qWaitFor(
            [&] { return countPath(m_server->requests(), "/rest/getCoverArt") > 0; }, LIRNA_TRY_TIMEOUT_MS));
        store.removeDownloadAlbumId(u"a"_s);
        QVERIFY(settle(store));
        QVERIFY(!QFileInfo::exists(coverFile(u"slow"_s)));
        QCOMPARE(readAll(coverFile(u"kept"_s)), "kept cover");
    }

    void removeAllStopsRuns()
    {
        addAlbum(u"a1"_s, {makeSong(u"s1"_s), makeSong(u"s2"_s)});
        m_library.files.insert(u"s2"_s, TestHttpServer::hanging());
        DownloadStore store(m_client);
        store.downloadAlbum(m_library.albums.value(u"a1"_s));
        QVERIFY(QTest::qWaitFor(
            [&] { return downloadIds(m_server->requests()).contains(u"s2"_s); }, LIRNA_TRY_TIMEOUT_MS));
        store.removeAll();
        QVERIFY(store.active().isEmpty());
        QVERIFY(settle(store));
        QTest::qWait(50);
        QVERIFY(store.active().isEmpty());
        QCOMPARE(QDir(store.directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList {u"manifest.json"_s});
    }

    void localFileLookup()
    {
        const QString dir = DownloadStore::directory(m_client.config());
        QCOMPARE(
            DownloadStore::localFileURL(makeSong(u"s1"_s), m_client.config()), std::nullopt); // no folder
        QVERIFY(QDir().mkpath(dir));
        const auto touch = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
        };
        QVERIFY(touch(songFile(u"exact"_s, u"mp3"_s)));
        QVERIFY(touch(songFile(u"fallback"_s, u"audio"_s)));
        QVERIFY(touch(songFile(u"changed"_s, u"flac"_s)));
        QVERIFY(touch(songFile(u"bare"_s, u""_s)));
        QVERIFY(touch(dir + u"/.partial-"_s + ArtworkFetcher::offlineFileName(u"partial"_s) + u".mp3"_s));

        const ServerConfig config = m_client.config();
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"exact"_s), config),
            std::optional(QUrl::fromLocalFile(songFile(u"exact"_s, u"mp3"_s))));
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"fallback"_s, std::nullopt), config),
            std::optional(QUrl::fromLocalFile(songFile(u"fallback"_s, u"audio"_s))));
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"changed"_s, u"mp3"_s), config),
            std::optional(QUrl::fromLocalFile(songFile(u"changed"_s, u"flac"_s))));
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"bare"_s, u"ogg"_s), config),
            std::optional(QUrl::fromLocalFile(songFile(u"bare"_s, u""_s))));
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"partial"_s), config), std::nullopt);
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"absent"_s), config), std::nullopt);
        // Another account's folder is not looked at.
        ServerConfig other = config;
        other.username = u"other"_s;
        QCOMPARE(DownloadStore::localFileURL(makeSong(u"exact"_s), other), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestDownloadStore)
#include "tst_DownloadStore.moc"
