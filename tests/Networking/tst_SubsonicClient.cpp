#include <QCryptographicHash>
#include <QSet>
#include <QTest>
#include <QUrlQuery>

#include "Helpers/Await.h"
#include "Networking/SubsonicClient.h"

#include "NetworkingFixture.h"

using Items = QList<std::pair<QString, QString>>;

namespace {

const QStringList FixedNames{QStringLiteral("u"), QStringLiteral("t"), QStringLiteral("s"), QStringLiteral("v"),
    QStringLiteral("c"), QStringLiteral("f")};

// The query items of a URL the way a server decodes them.
Items itemsOf(const QUrl &url)
{
    TestHttpServer::Request request;
    request.target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    return request.queryItems();
}

Items ownItems(const Items &items)
{
    return items.mid(FixedNames.size());
}

} // namespace

class TestSubsonicClient : public QObject, NetworkingFixture
{
    Q_OBJECT

    SubsonicClient client(const QString &password = QStringLiteral("sesame")) const
    {
        return SubsonicClient(ServerConfig{m_server->baseUrl(), QStringLiteral("alice"), password}, m_session);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(startServer(this)); }

    void init() { resetServer(); }

    // ---- Signing and URLs ----

    void tokenVector()
    {
        QCOMPARE(SubsonicClient::token(QStringLiteral("sesame"), QStringLiteral("c19b2d")),
            QStringLiteral("26719a1196d2a940705a59634eb18eab"));
        QCOMPARE(SubsonicClient::token(QString(), QStringLiteral("abc")),
            QString::fromLatin1(QCryptographicHash::hash("abc", QCryptographicHash::Md5).toHex()));
        QCOMPARE(SubsonicClient::token(QStringLiteral("pässwörd"), QStringLiteral("s")),
            QString::fromLatin1(
                QCryptographicHash::hash(QStringLiteral("pässwörds").toUtf8(), QCryptographicHash::Md5).toHex()));
    }

    void saltIsDrawnFromTheAlphabet()
    {
        QCOMPARE(SubsonicClient::makeSalt(0), QString());
        QSet<QChar> seen;
        QSet<QString> salts;
        for (int i = 0; i < 300; ++i) {
            const QString salt = SubsonicClient::makeSalt(12);
            QCOMPARE(salt.size(), 12);
            for (QChar c : salt) {
                QVERIFY2((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'), qPrintable(salt));
                seen.insert(c);
            }
            salts.insert(salt);
        }
        QCOMPARE(seen.size(), 36);
        QCOMPARE(salts.size(), 300);
    }

    void urlCarriesTheFixedItemsThenTheCallsOwn()
    {
        const SubsonicClient c = client();
        const QUrl url = c.url(QStringLiteral("updatePlaylist"),
            {{QStringLiteral("playlistId"), QStringLiteral("7")}, {QStringLiteral("songIdToAdd"), QStringLiteral("b")},
                {QStringLiteral("songIdToAdd"), QStringLiteral("a")}});
        const Items items = itemsOf(url);
        QCOMPARE(items.size(), 9);
        for (int i = 0; i < FixedNames.size(); ++i)
            QCOMPARE(items[i].first, FixedNames[i]);
        QCOMPARE(items[0].second, QStringLiteral("alice"));
        QCOMPARE(items[1].second, SubsonicClient::token(QStringLiteral("sesame"), items[2].second));
        QCOMPARE(items[3].second, QStringLiteral("1.16.1"));
        QCOMPARE(items[4].second, QStringLiteral("Lirna"));
        QCOMPARE(items[5].second, QStringLiteral("json"));
        QCOMPARE(ownItems(items),
            (Items{{QStringLiteral("playlistId"), QStringLiteral("7")}, {QStringLiteral("songIdToAdd"), QStringLiteral("b")},
                {QStringLiteral("songIdToAdd"), QStringLiteral("a")}}));
        QVERIFY(!url.toString().contains(QStringLiteral("sesame")));
    }

    void twoUrlsDifferOnlyInTokenAndSalt()
    {
        const SubsonicClient c = client();
        const Items first = itemsOf(c.url(QStringLiteral("getAlbum"), {{QStringLiteral("id"), QStringLiteral("1")}}));
        const Items second = itemsOf(c.url(QStringLiteral("getAlbum"), {{QStringLiteral("id"), QStringLiteral("1")}}));
        QCOMPARE(first.size(), second.size());
        for (int i = 0; i < first.size(); ++i) {
            if (first[i].first == u"t" || first[i].first == u"s")
                QVERIFY(first[i].second != second[i].second);
            else
                QCOMPARE(first[i], second[i]);
        }
    }

    void basePath_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::newRow("no path") << "http://h:4533" << "/rest/ping";
        QTest::newRow("root") << "http://h:4533/" << "/rest/ping";
        QTest::newRow("base path") << "https://h/x" << "/x/rest/ping";
        QTest::newRow("base path with slash") << "https://h/x/" << "/x/rest/ping";
        QTest::newRow("deeper") << "https://h/music/sub" << "/music/sub/rest/ping";
    }

    void basePath()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        const SubsonicClient c(ServerConfig{QUrl(base), QStringLiteral("u"), QStringLiteral("p")}, m_session);
        QCOMPARE(c.url(QStringLiteral("ping"), {}).path(), path);
    }

    void coverArtUrl()
    {
        const SubsonicClient c = client();
        const QUrl plain = c.coverArtURL(QStringLiteral("al-1"), std::nullopt);
        QCOMPARE(plain.path(), QStringLiteral("/rest/getCoverArt"));
        Items items = itemsOf(plain);
        QCOMPARE(items.size(), 7);
        QCOMPARE(items.last(), (std::pair{QStringLiteral("id"), QStringLiteral("al-1")}));
        items = itemsOf(c.coverArtURL(QStringLiteral("al-1"), 1024));
        QCOMPARE(items.size(), 8);
        QCOMPARE(items.last(), (std::pair{QStringLiteral("size"), QStringLiteral("1024")}));
    }

    void awkwardValuesReachTheServerAsGiven_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plus") << "rock+roll";
        QTest::newRow("ampersand and equals") << "a&b=c";
        QTest::newRow("spaces") << "  two  spaces ";
        QTest::newRow("non-ascii") << QStringLiteral("Sigur Rós – Ágætis byrjun 日本");
        QTest::newRow("percent and hash") << "100% #1?";
        QTest::newRow("empty") << "";
    }

    void awkwardValuesReachTheServerAsGiven()
    {
        QFETCH(QString, value);
        m_server->setResponse("/rest/search3", TestHttpServer::ok(R"("searchResult3":{})"));
        TestAwait::await(client(value).search(value, 1, 2, 3, 4));
        const TestHttpServer::Request request = m_server->lastRequest();
        QCOMPARE(request.queryValue(QStringLiteral("query")), value);
        QCOMPARE(request.queryValue(QStringLiteral("t")),
            SubsonicClient::token(value, request.queryValue(QStringLiteral("s"))));
    }

    // ---- The request road ----

    void failures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("kind"); // -1: success
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");

        const QByteArray ok = R"({"subsonic-response":{"status":"ok"}})";
        const QString invalid = QStringLiteral(
            "The server response could not be read. Check that the URL points to a Subsonic-compatible server.");
        const int http = int(SubsonicError::Kind::Http);
        const int server = int(SubsonicError::Kind::Server);
        const int unreadable = int(SubsonicError::Kind::InvalidResponse);

        QTest::newRow("200 read") << 200 << ok << -1 << 0 << QString();
        QTest::newRow("299 read") << 299 << ok << -1 << 0 << QString();
        QTest::newRow("300") << 300 << ok << http << 0 << "The server returned HTTP 300.";
        QTest::newRow("404") << 404 << ok << http << 0 << "The server returned HTTP 404.";
        QTest::newRow("500") << 500 << ok << http << 0 << "The server returned HTTP 500.";
        QTest::newRow("html page") << 200 << QByteArray("<html><body>Hello</body></html>") << unreadable << 0
                                   << invalid;
        QTest::newRow("no envelope") << 200 << QByteArray(R"({"status":"ok"})") << unreadable << 0 << invalid;
        QTest::newRow("status not text") << 200 << QByteArray(R"({"subsonic-response":{"status":1}})")
                                         << unreadable << 0 << invalid;
        QTest::newRow("status OK is a failure") << 200 << QByteArray(R"({"subsonic-response":{"status":"OK"}})")
                                                << server << -1 << "Unknown server error";
        QTest::newRow("status Ok is a failure") << 200 << QByteArray(R"({"subsonic-response":{"status":"Ok"}})")
                                                << server << -1 << "Unknown server error";
        QTest::newRow("wrong credentials")
            << 200 << QByteArray(R"({"subsonic-response":{"status":"failed","error":{"code":40,"message":"nope"}}})")
            << server << 40 << "Wrong username or password.";
        QTest::newRow("server message")
            << 200
            << QByteArray(R"({"subsonic-response":{"status":"failed","error":{"code":70,"message":"Not found"}}})")
            << server << 70 << "Not found";
        QTest::newRow("error without message")
            << 200 << QByteArray(R"({"subsonic-response":{"status":"failed","error":{"code":10}}})") << server << 10
            << "Unknown server error";
        QTest::newRow("error without code")
            << 200 << QByteArray(R"({"subsonic-response":{"status":"failed","error":{"message":"x"}}})")
            << unreadable << 0 << invalid;
        QTest::newRow("error code as text")
            << 200 << QByteArray(R"({"subsonic-response":{"status":"failed","error":{"code":"40"}}})")
            << unreadable << 0 << invalid;
    }

    void failures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, kind);
        QFETCH(int, code);
        QFETCH(QString, description);
        m_server->setResponse("/rest/ping", TestHttpServer::json(body, status));
        try {
            TestAwait::await(client().ping());
            QCOMPARE(kind, -1);
        } catch (const SubsonicError &error) {
            QCOMPARE(int(error.kind()), kind);
            QCOMPARE(error.localizedDescription(), description);
            if (error.kind() == SubsonicError::Kind::Server)
                QCOMPARE(error.code(), code);
            if (error.kind() == SubsonicError::Kind::Http)
                QCOMPARE(error.httpStatus(), status);
        }
    }

    // A call whose request target would pass the bound goes to the same
    // address as a form of the same items, signed afresh; up to the bound it
    // stays a GET. Reads and writes alike.
    void longCallsGoAsForms_data()
    {
        QTest::addColumn<QString>("call"); // "rename" or "search"
        QTest::addColumn<int>("over"); // target bytes past the bound
        QTest::newRow("a rename just under the bound") << "rename" << 0;
        QTest::newRow("a rename just over the bound") << "rename" << 1;
        QTest::newRow("a search just under the bound") << "search" << 0;
        QTest::newRow("a search just over the bound") << "search" << 1;
    }

    void longCallsGoAsForms()
    {
        QFETCH(QString, call);
        QFETCH(int, over);
        const bool rename = call == u"rename";
        const QString endpoint = rename ? QStringLiteral("updatePlaylist") : QStringLiteral("search3");
        const auto paramsOf = [rename](const QString &text) {
            return rename
                ? Items {{QStringLiteral("playlistId"), QStringLiteral("p1")}, {QStringLiteral("name"), text}}
                : Items {{QStringLiteral("query"), text},
                    {QStringLiteral("artistCount"), QStringLiteral("1")},
                    {QStringLiteral("albumCount"), QStringLiteral("2")},
                    {QStringLiteral("songCount"), QStringLiteral("3")},
                    {QStringLiteral("songOffset"), QStringLiteral("4")}};
        };
        const SubsonicClient c = client();
        QueryItems bare;
        for (const auto &[name, value] : paramsOf(QString()))
            bare.append({name, value});
        const qsizetype shortest
            = c.url(endpoint, bare).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority).size();
        const QString text(SubsonicClient::LongRequestBytes - shortest + over, u'x');
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/search3", TestHttpServer::ok(R"("searchResult3":{})"));
        if (rename)
            TestAwait::await(c.updatePlaylist(QStringLiteral("p1"), text, {}, {}));
        else
            TestAwait::await(c.search(text, 1, 2, 3, 4));
        QCOMPARE(m_server->requests().size(), 1);
        const TestHttpServer::Request request = m_server->lastRequest();
        // A form's address names the answer's format alone; its body holds
        // every item.
        TestHttpServer::Request items = request;
        items.target = request.path();
        QCOMPARE(ownItems((over == 0 ? request : items).queryItems()), paramsOf(text));
        QCOMPARE(request.queryValue(QStringLiteral("t")),
            SubsonicClient::token(QStringLiteral("sesame"), request.queryValue(QStringLiteral("s"))));
        if (over == 0) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.target.size(), SubsonicClient::LongRequestBytes);
            return;
        }
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, "/rest/" + endpoint.toLatin1() + "?f=json");
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(items.queryItems().first(), (std::pair {QStringLiteral("u"), QStringLiteral("alice")}));
    }

    // A form the server did not take (it refuses the method, or reads no
    // parameter) goes once more as a GET; when that is refused for its
    // length too, the call says so. Other failures are the form's own.
    void refusedFormsGoOnceAsAGet_data()
    {
        QTest::addColumn<TestHttpServer::Response>("toForm");
        QTest::addColumn<TestHttpServer::Response>("toQuery");
        QTest::addColumn<QByteArrayList>("methods");
        QTest::addColumn<QString>("failure"); // empty: the order is saved
        const auto ok = TestHttpServer::ok();
        const auto missing = TestHttpServer::failed(10, "Required parameter is missing.");
        const auto too = TestHttpServer::json("too long", 414);
        const QString tooLong = QStringLiteral("The server couldn't take a request this long.");
        const QByteArrayList both {"POST", "GET"};
        QTest::newRow("405, then taken as a GET")
            << TestHttpServer::json("no", 405) << ok << both << QString();
        QTest::newRow("501, then taken as a GET")
            << TestHttpServer::json("no", 501) << ok << both << QString();
        QTest::newRow("parameters missing in JSON, then taken as a GET")
            << missing << ok << both << QString();
        // A server that reads no form, nor the "f" of the form's address,
        // refuses in its default format.
        TestHttpServer::Response missingInXml = TestHttpServer::json(
            R"(<subsonic-response xmlns="http://subsonic.org/restapi" status="failed" version="1.16.1">)"
            R"(<error code="10" message="Required parameter is missing."/></subsonic-response>)");
        missingInXml.contentType = "text/xml; charset=utf-8";
        QTest::newRow("parameters missing in XML, then taken as a GET")
            << missingInXml << ok << both << QString();
        QTest::newRow("405, then 414") << TestHttpServer::json("no", 405) << too << both << tooLong;
        QTest::newRow("405, then 400")
            << TestHttpServer::json("no", 405) << TestHttpServer::json("bad", 400) << both << tooLong;
        QTest::newRow("parameters missing twice") << missing << missing << both << tooLong;
        QTest::newRow("405, then another failure")
            << TestHttpServer::json("no", 405) << TestHttpServer::failed(70, "Playlist not found") << both
            << QStringLiteral("Playlist not found");
        QTest::newRow("a failure of its own is not sent again")
            << TestHttpServer::failed(70, "Playlist not found") << ok << QByteArrayList {"POST"}
            << QStringLiteral("Playlist not found");
        QTest::newRow("500 is not sent again")
            << TestHttpServer::json("boom", 500) << ok << QByteArrayList {"POST"}
            << QStringLiteral("The server returned HTTP 500.");
        QTest::newRow("closed unanswered, not sent again")
            << TestHttpServer::dropped() << ok << QByteArrayList {"POST"}
            << QStringLiteral("The network connection was lost.");
    }

    void refusedFormsGoOnceAsAGet()
    {
        QFETCH(TestHttpServer::Response, toForm);
        QFETCH(TestHttpServer::Response, toQuery);
        QFETCH(QByteArrayList, methods);
        QFETCH(QString, failure);
        m_server->setHandler([toForm, toQuery](const TestHttpServer::Request &request) {
            return request.method == "POST" ? toForm : toQuery;
        });
        QStringList order;
        for (int n = 0; n < 300; ++n)
            order.append(QStringLiteral("song-%1").arg(n).leftJustified(36, u'0'));
        QString error;
        try {
            TestAwait::await(client().replacePlaylistSongs(QStringLiteral("p1"), order));
        } catch (const SubsonicError &e) {
            error = e.localizedDescription();
            QCOMPARE(e.kind() == SubsonicError::Kind::TooLong, failure.startsWith(u"The server couldn't"));
        } catch (const TransportError &e) {
            error = e.localizedDescription();
            QCOMPARE(e.code(), QNetworkReply::RemoteHostClosedError);
        }
        QCOMPARE(error, failure);
        QByteArrayList sent;
        for (const TestHttpServer::Request &request : m_server->requests()) {
            sent.append(request.method);
            QStringList arrived;
            for (const auto &[name, value] : request.queryItems()) {
                if (name == u"songId")
                    arrived.append(value);
            }
            QCOMPARE(arrived, order);
        }
        QCOMPARE(sent, methods);
        // Each try is signed afresh.
        if (methods.size() == 2)
            QVERIFY(m_server->requests().at(0).queryValue(QStringLiteral("s"))
                != m_server->requests().at(1).queryValue(QStringLiteral("s")));
    }

    void payloads()
    {
        const SubsonicClient c = client();
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok(R"("albumList2":{})"));
        QCOMPARE(TestAwait::await(c.albums(AlbumListType::Newest, 60, 0)).size(), 0);
        m_server->setResponse("/rest/getAlbumList2", TestHttpServer::ok());
        QVERIFY_THROWS_EXCEPTION(SubsonicError, TestAwait::await(c.albums(AlbumListType::Newest, 60, 0)));
        m_server->setResponse("/rest/getAlbumList2",
            TestHttpServer::ok(R"("albumList2":{"album":[{"id":"1","name":"A"},{"id":"2","name":"B","year":1999}]})"));
        const QList<Album> albums = TestAwait::await(c.albums(AlbumListType::Newest, 60, 0));
        QCOMPARE(albums.size(), 2);
        QCOMPARE(albums[1].year, std::optional<qint64>(1999));

        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(R"("playlists":{})"));
        QVERIFY(TestAwait::await(c.playlists()).isEmpty());
        m_server->setResponse("/rest/getArtists", TestHttpServer::ok(R"("artists":{"ignoredArticles":"The"})"));
        QVERIFY(TestAwait::await(c.artists()).isEmpty());
        m_server->setResponse("/rest/search3", TestHttpServer::ok(R"("searchResult3":{"album":[{"id":"1","name":"A"}]})"));
        QVERIFY(TestAwait::await(c.songs(500, 0)).isEmpty());

        // One malformed track fails the whole page.
        m_server->setResponse("/rest/search3",
            TestHttpServer::ok(R"("searchResult3":{"song":[{"id":"1","title":"A"},{"id":"2","title":3}]})"));
        QVERIFY_THROWS_EXCEPTION(SubsonicError, TestAwait::await(c.songs(500, 0)));

        // "ping" succeeds with status "ok" whatever else the object holds.
        m_server->setResponse("/rest/ping",
            TestHttpServer::ok(R"("type":"navidrome","openSubsonic":true,"album":17)"));
        TestAwait::await(c.ping());

        m_server->setResponse("/rest/getAlbum", TestHttpServer::ok(
            R"("album":{"id":"a","name":"A","song":[{"id":"1","title":"One","discNumber":2}]})"));
        const Album album = TestAwait::await(c.album(QStringLiteral("a")));
        QCOMPARE(album.song->at(0).discNumber, std::optional<qint64>(2));
    }

    void callOnATemporaryClientIsSafe()
    {
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p","name":"P"})"));
        QCoro::Task<PlaylistDetail> task = client().playlist(QStringLiteral("p"));
        const PlaylistDetail detail = TestAwait::await(std::move(task));
        QCOMPARE(detail.name, QStringLiteral("P"));
        QCOMPARE(m_server->lastRequest().queryValue(QStringLiteral("u")), QStringLiteral("alice"));
    }

    // ---- Endpoint parameters ----

    void endpointParameters_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<Items>("params");
        auto s = [](const char *t) { return QString::fromUtf8(t); };
        QTest::newRow("ping") << 0 << QByteArray("/rest/ping") << Items{};
        QTest::newRow("artists") << 1 << QByteArray("/rest/getArtists") << Items{};
        QTest::newRow("artist") << 2 << QByteArray("/rest/getArtist") << Items{{s("id"), s("r1")}};
        QTest::newRow("album") << 3 << QByteArray("/rest/getAlbum") << Items{{s("id"), s("a1")}};
        QTest::newRow("albums") << 4 << QByteArray("/rest/getAlbumList2")
                                << Items{{s("type"), s("alphabeticalByArtist")}, {s("size"), s("60")}, {s("offset"), s("120")}};
        QTest::newRow("songs") << 5 << QByteArray("/rest/search3")
                               << Items{{s("query"), s("")}, {s("artistCount"), s("0")}, {s("albumCount"), s("0")},
                                      {s("songCount"), s("500")}, {s("songOffset"), s("1000")}};
        QTest::newRow("search") << 6 << QByteArray("/rest/search3")
                                << Items{{s("query"), s("abc")}, {s("artistCount"), s("5")}, {s("albumCount"), s("7")},
                                       {s("songCount"), s("10")}, {s("songOffset"), s("0")}};
        QTest::newRow("starred") << 7 << QByteArray("/rest/getStarred2") << Items{};
        QTest::newRow("playlists") << 8 << QByteArray("/rest/getPlaylists") << Items{};
        QTest::newRow("playlist") << 9 << QByteArray("/rest/getPlaylist") << Items{{s("id"), s("p1")}};
        QTest::newRow("createPlaylist") << 10 << QByteArray("/rest/createPlaylist") << Items{{s("name"), s("Mix & Match")}};
        QTest::newRow("updatePlaylist bare") << 11 << QByteArray("/rest/updatePlaylist") << Items{{s("playlistId"), s("p1")}};
        QTest::newRow("updatePlaylist full")
            << 12 << QByteArray("/rest/updatePlaylist")
            << Items{{s("playlistId"), s("p1")}, {s("name"), s("New")}, {s("songIdToAdd"), s("x")},
                   {s("songIdToAdd"), s("y")}, {s("songIndexToRemove"), s("3")}};
        QTest::newRow("replacePlaylistSongs empty") << 13 << QByteArray("/rest/createPlaylist")
                                                    << Items{{s("playlistId"), s("p1")}};
        QTest::newRow("replacePlaylistSongs")
            << 14 << QByteArray("/rest/createPlaylist")
            << Items{{s("playlistId"), s("p1")}, {s("songId"), s("b")}, {s("songId"), s("a")}, {s("songId"), s("b")}};
        QTest::newRow("deletePlaylist") << 15 << QByteArray("/rest/deletePlaylist") << Items{{s("id"), s("p1")}};
        QTest::newRow("star song") << 16 << QByteArray("/rest/star") << Items{{s("id"), s("s1")}};
        QTest::newRow("unstar album") << 17 << QByteArray("/rest/unstar") << Items{{s("albumId"), s("a1")}};
        QTest::newRow("star artist") << 18 << QByteArray("/rest/star") << Items{{s("artistId"), s("r1")}};
        QTest::newRow("scrobble now playing") << 19 << QByteArray("/rest/scrobble")
                                              << Items{{s("id"), s("s1")}, {s("submission"), s("false")}};
        QTest::newRow("scrobble submission") << 20 << QByteArray("/rest/scrobble")
                                             << Items{{s("id"), s("s1")}, {s("submission"), s("true")}};
    }

    void endpointParameters()
    {
        QFETCH(int, call);
        QFETCH(QByteArray, path);
        QFETCH(Items, params);
        // Any path answers with every payload the calls read.
        TestHttpServer::Response all = TestHttpServer::ok(
            R"("artists":{},"artist":{"id":"r","name":"R"},"album":{"id":"a","name":"A"},"albumList2":{},)"
            R"("searchResult3":{},"starred2":{},"playlists":{},"playlist":{"id":"p","name":"P"})");
        m_server->setHandler([all](const TestHttpServer::Request &) { return all; });
        const SubsonicClient c = client();
        const QString id1 = QStringLiteral("p1");
        switch (call) {
        case 0: TestAwait::await(c.ping()); break;
        case 1: TestAwait::await(c.artists()); break;
        case 2: TestAwait::await(c.artist(QStringLiteral("r1"))); break;
        case 3: TestAwait::await(c.album(QStringLiteral("a1"))); break;
        case 4: TestAwait::await(c.albums(AlbumListType::AlphabeticalByArtist, 60, 120)); break;
        case 5: TestAwait::await(c.songs(500, 1000)); break;
        case 6: TestAwait::await(c.search(QStringLiteral("abc"), 5, 7, 10, 0)); break;
        case 7: TestAwait::await(c.starred()); break;
        case 8: TestAwait::await(c.playlists()); break;
        case 9: TestAwait::await(c.playlist(id1)); break;
        case 10: TestAwait::await(c.createPlaylist(QStringLiteral("Mix & Match"))); break;
        case 11: TestAwait::await(c.updatePlaylist(id1, std::nullopt, {}, {})); break;
        case 12:
            TestAwait::await(c.updatePlaylist(id1, QStringLiteral("New"), {QStringLiteral("x"), QStringLiteral("y")}, {3}));
            break;
        case 13: TestAwait::await(c.replacePlaylistSongs(id1, {})); break;
        case 14:
            TestAwait::await(c.replacePlaylistSongs(id1, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")}));
            break;
        case 15: TestAwait::await(c.deletePlaylist(id1)); break;
        case 16: TestAwait::await(c.setStarred(true, QStringLiteral("s1"))); break;
        case 17: TestAwait::await(c.setStarredAlbumId(false, QStringLiteral("a1"))); break;
        case 18: TestAwait::await(c.setStarredArtistId(true, QStringLiteral("r1"))); break;
        case 19: TestAwait::await(c.scrobble(QStringLiteral("s1"), false)); break;
        case 20: TestAwait::await(c.scrobble(QStringLiteral("s1"), true)); break;
        }
        QCOMPARE(m_server->requests().size(), 1);
        const TestHttpServer::Request request = m_server->lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path(), path);
        QCOMPARE(ownItems(request.queryItems()), params);
    }
};

QTEST_GUILESS_MAIN(TestSubsonicClient)
#include "tst_SubsonicClient.moc"
