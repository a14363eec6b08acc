#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

#include "Helpers/FakePlaylistServer.h"
#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "Library/LibraryStore.h"

using namespace LibraryFixtures;

// Playlist edits: server first, then the local state, and their retries.
class TestLibraryStorePlaylists : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<LibraryStore> m_store;

    static Song song(const QString &id)
    {
        Song s;
        s.id = id;
        s.title = id;
        return s;
    }

    static QByteArray playlistsAnswer(const QByteArray &name)
    {
        return "\"playlists\":{\"playlist\":[{\"id\":\"p1\",\"name\":\"" + name
            + "\"},{\"id\":\"p2\",\"name\":\"Other\"}]}";
    }

    static QByteArray playlistWith(const QStringList &songIds)
    {
        QList<QByteArray> songs;
        for (const QString &id : songIds)
            songs.append(songJson(id));
        return R"("playlist":{"id":"p1","name":"Mix","entry":)" + joined(songs) + '}';
    }

    // Values of one parameter over the requests to one endpoint.
    QList<QStringList> sent(const QByteArray &path, const QString &name) const
    {
        QList<QStringList> out;
        for (const auto &request : m_server->requests()) {
            if (request.path() != path)
                continue;
            QStringList values;
            for (const auto &item : request.queryItems()) {
                if (item.first == name)
                    values.append(item.second);
            }
            out.append(values);
        }
        return out;
    }

    // The values of one parameter of a request, in order, joined by commas.
    static QString joinedValues(const TestHttpServer::Request &request, const QString &name)
    {
        QStringList values;
        for (const auto &[key, value] : request.queryItems()) {
            if (key == name)
                values.append(value);
        }
        return values.join(',');
    }

    using Line = std::function<QString(const TestHttpServer::Request &)>;

    // The server's own log, written into `log` for as long as this test's
    // server lives: "> " and what `arrival` names each request as it arrives,
    // "< " and what `answer` names it as its answer goes out. A request named
    // "" is left out.
    void logServer(QStringList &log, const Line &arrival, const Line &answer)
    {
        connect(m_server.get(), &TestHttpServer::requestReceived, this,
            [&log, arrival](const TestHttpServer::Request &request) {
                if (const QString name = arrival(request); !name.isEmpty())
                    log.append("> " + name);
            });
        connect(m_server.get(), &TestHttpServer::answerSent, this,
            [&log, answer](const TestHttpServer::Request &request) {
                if (const QString name = answer(request); !name.isEmpty())
                    log.append("< " + name);
            });
    }

    // One edit of "p1" as a table row writes it: "add s9", "remove 1 A,B,C"
    // (a row of the list as the page showed it, `shown` when not given),
    // "order s2,s1", "rename New" or "delete". Answers what the store
    // answered; the edits that answer nothing answer true.
    QCoro::Task<bool> edit(QString step, QStringList shown = {})
    {
        const QString id = "p1";
        const QStringList words = step.split(' ');
        const QString &verb = words.at(0);
        // Every argument is made before the co_await: g++ 12 mishandles a
        // braced list or a conditional's temporary that lives across one.
        if (words.size() > 2)
            shown = words.at(2).split(',');
        const QList<Song> songs {song(words.value(1))};
        if (verb == "order")
            co_return co_await m_store->reorderPlaylist(id, words.at(1).split(','));
        if (verb == "delete")
            co_return co_await m_store->deletePlaylist(id);
        if (verb == "add")
            co_await m_store->addSongs(songs, id);
        else if (verb == "remove")
            co_await m_store->removeSong(words.at(1).toInt(), shown, id);
        else if (verb == "rename")
            co_await m_store->renamePlaylist(id, words.at(1));
        else
            qFatal("not an edit: %s", qPrintable(step));
        co_return true;
    }

    // Loads the playlists and caches the detail of "p1".
    void prime(const QStringList &songIds = {"s1", "s2"})
    {
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlistsAnswer("Mix")));
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith(songIds)));
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        QVERIFY(m_store->playlistDetails().contains("p1"));
        m_server->clearRequests();
    }

private Q_SLOTS:
    void init() { QVERIFY(startStore(m_server, m_store)); }
    void cleanup() { stopStore(m_server, m_store); }

    void createAnswersTheNewId()
    {
        prime();
        m_server->setResponse(
            "/rest/createPlaylist", TestHttpServer::ok(R"("playlist":{"id":"p9","name":"New"})"));
        // The id comes from the create answer, even when the reload fails.
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::json("boom", 500));
        const std::optional<QString> id = QCoro::waitFor(m_store->createPlaylist("New"));
        QCOMPARE(id, std::optional<QString>(QStringLiteral("p9")));
        QCOMPARE(m_server->requests().first().queryValue("name"), QStringLiteral("New"));
        QCOMPARE(countRequests(*m_server, "/rest/getPlaylists"), 1);
        QVERIFY(!m_store->lastFailure());
        QCOMPARE(m_store->playlists().size(), 2);

        m_server->setResponse("/rest/createPlaylist", TestHttpServer::failed(0, "Nope"));
        QTest::ignoreMessage(QtWarningMsg, "create the playlist failed: Nope");
        QCOMPARE(QCoro::waitFor(m_store->createPlaylist("Again")), std::nullopt);
        QCOMPARE(
            m_store->lastFailure()->message(), QStringLiteral("Couldn't create the playlist \u2014 nope"));
        // No retry: the failure stays shown.
        QVERIFY(!m_store->lastFailure()->canRetry());
        const StoreFailure failure = *m_store->lastFailure();
        QCoro::waitFor(m_store->retryLastFailure());
        QVERIFY(m_store->lastFailure() == failure);
    }

    void createOnAServerThatAnswersWithoutThePlaylist_data()
    {
        QTest::addColumn<QStringList>("before"); // "id:name", in server order
        QTest::addColumn<QStringList>("after"); // empty: the reload fails
        QTest::addColumn<QString>("expected"); // empty: a failure
        QTest::newRow("the new one") << QStringList {"p1:Mix", "p2:Other"}
                                     << QStringList {"p1:Mix", "p3:New", "p2:Other"} << "p3";
        QTest::newRow("older namesake passed over")
            << QStringList {"p1:New"} << QStringList {"p1:New", "p3:New"} << "p3";
        QTest::newRow("several new: the last")
            << QStringList {"p1:Mix"} << QStringList {"p4:New", "p1:Mix", "p5:New"} << "p5";
        QTest::newRow("not found") << QStringList {"p1:Mix"} << QStringList {"p1:Mix", "p2:Newer"} << "";
        QTest::newRow("reload fails") << QStringList {"p1:Mix"} << QStringList {} << "";
    }

    // Servers before protocol 1.14 create the playlist and answer with an
    // empty success: the new playlist is taken from the reloaded list.
    void createOnAServerThatAnswersWithoutThePlaylist()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, expected);
        const auto listOf = [](const QStringList &entries) {
            QList<QByteArray> items;
            for (const QString &entry : entries)
                items.append(QStringLiteral(R"({"id":"%1","name":"%2"})")
                                 .arg(entry.section(':', 0, 0), entry.section(':', 1))
                                 .toUtf8());
            return TestHttpServer::ok(R"("playlists":{"playlist":)" + joined(items) + '}');
        };
        m_server->setResponse("/rest/getPlaylists", listOf(before));
        m_store->ensurePlaylistsLoaded();
        QTRY_VERIFY(m_store->playlistsLoaded());
        m_server->setResponse("/rest/createPlaylist", TestHttpServer::ok());
        m_server->setResponse(
            "/rest/getPlaylists", after.isEmpty() ? TestHttpServer::json("boom", 500) : listOf(after));
        if (expected.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^create the playlist failed: "));

        const std::optional<QString> id = QCoro::waitFor(m_store->createPlaylist("New"));
        QCOMPARE(id.value_or(QString()), expected);
        QCOMPARE(m_store->lastFailure().has_value(), expected.isEmpty());
        if (expected.isEmpty())
            QCOMPARE(m_store->lastFailure()->action(), QStringLiteral("create the playlist"));
        else
            QCOMPARE(m_store->playlists().size(), after.size());
    }

    void renameDropsDetailAndReloads()
    {
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlistsAnswer("Renamed")));
        QCoro::waitFor(m_store->renamePlaylist("p1", "Renamed"));
        QCOMPARE(m_server->requests().first().queryValue("name"), QStringLiteral("Renamed"));
        QCOMPARE(m_server->requests().first().queryValue("playlistId"), QStringLiteral("p1"));
        QVERIFY(!m_store->playlistDetails().contains("p1"));
        QCOMPARE(m_store->playlists().first().name, QStringLiteral("Renamed"));
        QCOMPARE(m_store->playlistRevision(), 0);

        // A reload that fails after a rename leaves the old list and records nothing.
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::json("boom", 500));
        QCoro::waitFor(m_store->renamePlaylist("p1", "Third"));
        QCOMPARE(m_store->playlists().first().name, QStringLiteral("Renamed"));
        QVERIFY(!m_store->lastFailure());
    }

    void failedRenameRetries()
    {
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::json("boom", 503));
        QTest::ignoreMessage(QtWarningMsg, "rename the playlist failed: The server returned HTTP 503.");
        QCoro::waitFor(m_store->renamePlaylist("p1", "Renamed"));
        QVERIFY(m_store->playlistDetails().contains("p1"));
        QCOMPARE(m_store->lastFailure()->action(), QStringLiteral("rename the playlist"));

        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlistsAnswer("Renamed")));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(sent("/rest/updatePlaylist", "name"), (QList<QStringList> {{"Renamed"}, {"Renamed"}}));
        QCOMPARE(m_store->playlists().first().name, QStringLiteral("Renamed"));
        QVERIFY(!m_store->lastFailure());
    }

    void deleteRemovesLocally()
    {
        prime();
        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, "delete the playlist failed: The server returned HTTP 500.");
        QVERIFY(!QCoro::waitFor(m_store->deletePlaylist("p1")));
        QCOMPARE(m_store->playlists().size(), 2);
        QVERIFY(m_store->lastFailure()->canRetry());

        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::ok());
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(m_store->playlists().size(), 1);
        QCOMPARE(m_store->playlists().first().id, QStringLiteral("p2"));
        QVERIFY(!m_store->playlistDetails().contains("p1"));
        QCOMPARE(countRequests(*m_server, "/rest/getPlaylists"), 0);
        QCOMPARE(m_server->lastRequest().queryValue("id"), QStringLiteral("p1"));
        QVERIFY(QCoro::waitFor(m_store->deletePlaylist("p2")));
        QVERIFY(m_store->playlists().isEmpty());
    }

    void addSongs()
    {
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        QCoro::waitFor(m_store->addSongs({}, "p1"));
        QVERIFY(m_server->requests().isEmpty());
        QCOMPARE(m_store->playlistRevision(), 0);

        QSignalSpy revision(m_store.get(), &LibraryStore::playlistRevisionChanged);
        QCoro::waitFor(m_store->addSongs({song("s3"), song("s4"), song("s3")}, "p1"));
        QCOMPARE(sent("/rest/updatePlaylist", "songIdToAdd"), (QList<QStringList> {{"s3", "s4", "s3"}}));
        QCOMPARE(sent("/rest/updatePlaylist", "name"), (QList<QStringList> {{}}));
        QCOMPARE(m_store->playlistRevision(), 1);
        QCOMPARE(revision.count(), 1);
        QVERIFY(!m_store->playlistDetails().contains("p1"));
        // The list of playlists is read after the add, outside its turn.
        QTRY_COMPARE(countRequests(*m_server, "/rest/getPlaylists"), 1);
    }

    void addRetrySendsOnlyMissing_data()
    {
        QTest::addColumn<QStringList>("onServer");
        QTest::addColumn<QList<QStringList>>("resent");
        QTest::newRow("first add arrived")
            << QStringList {"s1", "s2", "s2", "s4", "s4"} << QList<QStringList> {};
        QTest::newRow("partly arrived")
            << QStringList {"s1", "s2", "s2"} << QList<QStringList> {{"s4", "s4"}};
        // A second copy of a song the list held already is still to come.
        QTest::newRow("nothing arrived")
            << QStringList {"s1", "s2"} << QList<QStringList> {{"s2", "s4", "s4"}};
    }

    void addRetrySendsOnlyMissing()
    {
        QFETCH(QStringList, onServer);
        QFETCH(QList<QStringList>, resent);
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::dropped());
        QTest::ignoreMessage(QtWarningMsg, "add to the playlist failed: The network connection was lost.");
        QCoro::waitFor(m_store->addSongs({song("s2"), song("s4"), song("s4")}, "p1"));
        QCOMPARE(m_store->playlistRevision(), 0);
        QVERIFY(m_store->reachability().isFailing());

        m_server->clearRequests();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith(onServer)));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(sent("/rest/updatePlaylist", "songIdToAdd"), resent);
        QCOMPARE(m_store->playlistRevision(), resent.isEmpty() ? 0 : 1);
        QVERIFY(m_store->reachability().isOk());
        // The fresh copy is kept unless the add that followed dropped it.
        QCOMPARE(m_store->playlistDetails().contains("p1"), resent.isEmpty());
    }

    void addAlbum()
    {
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        Album withSongs;
        withSongs.id = "al1";
        withSongs.name = "A";
        withSongs.song = QList<Song> {song("s7"), song("s8")};
        QCoro::waitFor(m_store->addAlbum(withSongs, "p1"));
        QCOMPARE(countRequests(*m_server, "/rest/getAlbum"), 0);
        QCOMPARE(sent("/rest/updatePlaylist", "songIdToAdd"), (QList<QStringList> {{"s7", "s8"}}));

        Album bare;
        bare.id = "al2";
        bare.name = "B";
        m_server->setResponse("/rest/getAlbum", TestHttpServer::failed(70, "Album not found"));
        QTest::ignoreMessage(QtWarningMsg, "add the album to the playlist failed: Album not found");
        QCoro::waitFor(m_store->addAlbum(bare, "p1"));
        QCOMPARE(m_store->lastFailure()->action(), QStringLiteral("add the album to the playlist"));

        m_server->setResponse("/rest/getAlbum",
            TestHttpServer::ok(R"("album":)" + albumJson("al2", R"("song":[)" + songJson("s9") + "]")));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(sent("/rest/updatePlaylist", "songIdToAdd").last(), QStringList {"s9"});
        QCOMPARE(m_store->playlistRevision(), 2);
    }

    void removalRetryTarget_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<int>("expected"); // -1: nothing

        QTest::newRow("same list, second copy")
            << 2 << QStringList {"a", "b", "a"} << QStringList {"a", "b", "a"} << 2;
        QTest::newRow("fewer copies") << 2 << QStringList {"a", "b", "a"} << QStringList {"b", "a"} << -1;
        QTest::newRow("moved") << 1 << QStringList {"a", "b"} << QStringList {"c", "b", "d"} << 1;
        QTest::newRow("first copy moved")
            << 0 << QStringList {"a", "b", "a"} << QStringList {"b", "a", "a"} << 1;
        QTest::newRow("gone") << 0 << QStringList {"a"} << QStringList {"b"} << -1;
        QTest::newRow("index past the end") << 3 << QStringList {"a", "b"} << QStringList {"a", "b"} << -1;
        QTest::newRow("negative index") << -1 << QStringList {"a"} << QStringList {"a"} << -1;
    }

    void removalRetryTarget()
    {
        QFETCH(int, index);
        QFETCH(QStringList, before);
        QFETCH(QStringList, current);
        QFETCH(int, expected);
        const LibraryStore::RemovalRetry target = LibraryStore::removalRetryTarget(index, before, current);
        QCOMPARE(target,
            expected < 0 ? LibraryStore::RemovalRetry::nothing() : LibraryStore::RemovalRetry::at(expected));
    }

    void removeAndRetry()
    {
        prime({"s1", "s2", "s1"});
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, "remove from the playlist failed: The server returned HTTP 500.");
        QCoro::waitFor(m_store->removeSong(2, {"s1", "s2", "s1"}, "p1"));
        QCOMPARE(m_store->lastFailure()->action(), QStringLiteral("remove from the playlist"));
        QCOMPARE(m_store->playlistRevision(), 0);

        // Someone put a song in front meanwhile: the same copy is now at 3.
        m_server->clearRequests();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse(
            "/rest/getPlaylist", TestHttpServer::ok(playlistWith({"s0", "s1", "s2", "s1"})));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(sent("/rest/updatePlaylist", "songIndexToRemove"), (QList<QStringList> {{"3"}}));
        QCOMPARE(m_store->playlistRevision(), 1);
        QVERIFY(!m_store->playlistDetails().contains("p1"));
    }

    // A retry reads the playlist again first; when that read fails too, the
    // same action stays to be retried and nothing is written.
    void retryWhoseReadFailsStaysRetryable_data()
    {
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("add") << true << "songIdToAdd" << QStringList {"s3"};
        QTest::newRow("remove") << false << "songIndexToRemove" << QStringList {"1"};
    }

    void retryWhoseReadFailsStaysRetryable()
    {
        QFETCH(bool, add);
        QFETCH(QString, field);
        QFETCH(QStringList, written);
        const QString action = add ? "add to the playlist" : "remove from the playlist";
        prime();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, qPrintable(action + " failed: The server returned HTTP 500."));
        if (add)
            QCoro::waitFor(m_store->addSongs({song("s3")}, "p1"));
        else
            QCoro::waitFor(m_store->removeSong(1, {"s1", "s2"}, "p1"));

        m_server->clearRequests();
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::failed(70, "Playlist not found"));
        QTest::ignoreMessage(QtWarningMsg, qPrintable(action + " failed: Playlist not found"));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(m_store->lastFailure()->action(), action);
        QVERIFY(m_store->lastFailure()->canRetry());
        QVERIFY(sent("/rest/updatePlaylist", field).isEmpty());

        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith({"s1", "s2"})));
        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(sent("/rest/updatePlaylist", field), QList<QStringList> {written});
        QCOMPARE(m_store->playlistRevision(), 1);
    }

    void reorder()
    {
        prime();
        m_server->setResponse("/rest/createPlaylist", TestHttpServer::ok());
        QVERIFY(QCoro::waitFor(m_store->reorderPlaylist("p1", {"s2", "s1"})));
        QCOMPARE(sent("/rest/createPlaylist", "songId"), (QList<QStringList> {{"s2", "s1"}}));
        QCOMPARE(sent("/rest/createPlaylist", "playlistId"), (QList<QStringList> {{"p1"}}));
        QVERIFY(!m_store->playlistDetails().contains("p1"));
        QCOMPARE(m_store->playlistRevision(), 0);

        m_server->setResponse("/rest/createPlaylist", TestHttpServer::json("boom", 500));
        QTest::ignoreMessage(QtWarningMsg, "save the new order failed: The server returned HTTP 500.");
        QVERIFY(!QCoro::waitFor(m_store->reorderPlaylist("p1", {"s1", "s2"})));
        QVERIFY(!m_store->lastFailure()->canRetry());
    }

    // Saves of one playlist's order never overlap, and a newer order waiting
    // replaces an older one waiting: the server ends with the last order.
    void orderSavesTakeTurns()
    {
        prime({"s1", "s2", "s3"});
        TestHttpServer::Response slow = TestHttpServer::ok();
        slow.delayMs = 150;
        m_server->setResponse("/rest/createPlaylist", slow);
        // The server's own log of the order saves: "p1 s2,s1,s3".
        const Line save = [](const TestHttpServer::Request &request) -> QString {
            if (request.path() != "/rest/createPlaylist")
                return {};
            return request.queryValue("playlistId") + ' ' + joinedValues(request, "songId");
        };
        QStringList log;
        logServer(log, save, save);
        QCoro::Task<Outcome<bool>> first = capture(m_store->reorderPlaylist("p1", {"s2", "s1", "s3"}));
        QCoro::Task<Outcome<bool>> second = capture(m_store->reorderPlaylist("p1", {"s1", "s3", "s2"}));
        QCoro::Task<Outcome<bool>> third = capture(m_store->reorderPlaylist("p1", {"s3", "s2", "s1"}));
        QCoro::Task<Outcome<bool>> other = capture(m_store->reorderPlaylist("p2", {"s2", "s1"}));
        QCOMPARE(QCoro::waitFor(std::move(first)).value, std::optional<bool>(true));
        QCOMPARE(QCoro::waitFor(std::move(second)).value, std::optional<bool>(true));
        QCOMPARE(QCoro::waitFor(std::move(third)).value, std::optional<bool>(true));
        QCOMPARE(QCoro::waitFor(std::move(other)).value, std::optional<bool>(true));

        QCOMPARE(log.filter(QRegularExpression("^> p1 ")), (QStringList {"> p1 s2,s1,s3", "> p1 s3,s2,s1"}));
        const qsizetype firstAnswered = log.indexOf("< p1 s2,s1,s3");
        QVERIFY2(firstAnswered >= 0, qPrintable(log.join(" | ")));
        // The second save left only after the first was answered...
        QVERIFY2(log.indexOf("> p1 s3,s2,s1") > firstAnswered,
            qPrintable("order saves overlapped: " + log.join(" | ")));
        // ...while another playlist's save did not wait.
        const qsizetype otherArrived = log.indexOf(QRegularExpression("> p2 .*"));
        QVERIFY2(otherArrived >= 0 && otherArrived < firstAnswered,
            qPrintable("another playlist's save waited: " + log.join(" | ")));
    }

    // Writes of one playlist asked for together reach a slow server one at a
    // time, in the order asked: order saves waiting side by side merge into
    // the newest, an edit waits for the order saves before it, a removal's
    // index follows the order the server was last told, and a delete cancels
    // the order saves still waiting.
    void writesOfOnePlaylistTakeTurns_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("orders merge") << QStringList {"order s2,s1", "order s1,s2", "order s2,s1"}
                                      << QStringList {"order s2,s1", "order s2,s1"};
        QTest::newRow("remove after orders") << QStringList {"order s2,s1", "order s1,s2", "remove 0 s1,s2",
            "order s2"} << QStringList {"order s2,s1", "order s1,s2", "remove 0", "order s2"};
        QTest::newRow("remove by the told order")
            << QStringList {"order s2,s1", "remove 0 s1,s2"} << QStringList {"order s2,s1", "remove 1"};
        QTest::newRow("add and rename wait") << QStringList {"order s2,s1", "add s9", "order s9,s2,s1",
            "rename New"} << QStringList {"order s2,s1", "add s9", "order s9,s2,s1", "rename New"};
        QTest::newRow("delete cancels waiting orders") << QStringList {"order s2,s1", "order s1,s2", "delete",
            "order s2,s1"} << QStringList {"order s2,s1", "delete"};
        QTest::newRow("an order names a song no more often than held")
            << QStringList {"order s2,s1", "order s2,s1,s1"} << QStringList {"order s2,s1", "order s2,s1"};
    }

    void writesOfOnePlaylistTakeTurns()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, expected);
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = QStringList {"s1", "s2"};
        server.delayMs = 80;
        const Line line = [](const TestHttpServer::Request &request) -> QString {
            const QByteArray path = request.path();
            if (path == "/rest/getPlaylist")
                return "read";
            if (path == "/rest/createPlaylist")
                return "order " + joinedValues(request, "songId");
            if (path == "/rest/deletePlaylist")
                return "delete";
            if (path == "/rest/updatePlaylist" && !request.queryValue("name").isEmpty())
                return "rename " + request.queryValue("name");
            if (path == "/rest/updatePlaylist" && !request.queryValue("songIdToAdd").isEmpty())
                return "add " + joinedValues(request, "songIdToAdd");
            if (path == "/rest/updatePlaylist")
                return "remove " + request.queryValue("songIndexToRemove");
            return {};
        };
        // The server's own log of the playlist: each request as it arrives,
        // each write's answer as it goes out.
        QStringList log;
        logServer(log, line, [&line](const TestHttpServer::Request &request) {
            const QString answered = line(request);
            return answered == "read" ? QString() : answered;
        });

        std::vector<QCoro::Task<Outcome<bool>>> tasks;
        for (const QString &step : std::as_const(script))
            tasks.push_back(capture(edit(step)));
        for (QCoro::Task<Outcome<bool>> &task : tasks)
            QVERIFY(!QCoro::waitFor(std::move(task)).error);
        QStringList writes;
        for (const QString &entry : std::as_const(log)) {
            if (entry.startsWith("> ") && entry != "> read")
                writes.append(entry.mid(2));
        }
        QCOMPARE(writes, expected);
        // A write's turn, its read and then the write, starts only once the
        // answer to the write before it went out.
        QString answerOut;
        for (const QString &entry : std::as_const(log)) {
            if (entry.startsWith("< ")) {
                answerOut.clear();
                continue;
            }
            QVERIFY2(answerOut.isEmpty(),
                qPrintable(entry.mid(2) + " arrived before the answer to " + answerOut + " went out"));
            if (entry != "> read")
                answerOut = entry.mid(2);
        }
    }

    // The server answers first; then, in order: reachable again, the cached
    // detail dropped, the revision, the reloaded list.
    void serverFirstOrderOfEffects()
    {
        prime();
        m_server->setResponse("/rest/deletePlaylist", TestHttpServer::dropped());
        QTest::ignoreMessage(QtWarningMsg, "delete the playlist failed: The network connection was lost.");
        QVERIFY(!QCoro::waitFor(m_store->deletePlaylist("p2")));
        QVERIFY(m_store->reachability().isFailing());

        TestHttpServer::Response slow = TestHttpServer::ok();
        slow.delayMs = 100;
        m_server->setResponse("/rest/updatePlaylist", slow);
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlistsAnswer("Grown")));
        QStringList order;
        const auto record = [this, &order](auto signal, const char *name) {
            connect(m_store.get(), signal, this, [&order, name] { order.append(QString::fromLatin1(name)); });
        };
        record(&LibraryStore::reachabilityChanged, "reachability");
        record(&LibraryStore::playlistDetailsChanged, "playlistDetails");
        record(&LibraryStore::playlistRevisionChanged, "playlistRevision");
        record(&LibraryStore::playlistsChanged, "playlists");
        QCoro::Task<> adding = m_store->addSongs({song("s5")}, "p1");
        QTest::qWait(50);
        // Nothing changes locally while the server has not answered.
        QVERIFY(order.isEmpty());
        QVERIFY(m_store->playlistDetails().contains("p1"));
        QCoro::waitFor(std::move(adding));
        QTRY_COMPARE(
            order, (QStringList {"reachability", "playlistDetails", "playlistRevision", "playlists"}));
    }

    void loadInFlightDuringAnEditIsNotCached_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("add") << "add s2";
        QTest::newRow("remove") << "remove 0 s1";
        QTest::newRow("rename") << "rename Renamed";
        QTest::newRow("reorder") << "order s1";
        QTest::newRow("delete") << "delete";
    }

    // A load on its way when an edit changed the playlist still answers its
    // caller, but its copy may predate the edit: it is not cached, so the
    // page's reload after the edit asks the server again.
    void loadInFlightDuringAnEditIsNotCached()
    {
        QFETCH(QString, edit);
        for (const QByteArray path : {"/rest/updatePlaylist", "/rest/createPlaylist", "/rest/deletePlaylist"})
            m_server->setResponse(path, TestHttpServer::ok());
        m_server->setResponse("/rest/getPlaylists", TestHttpServer::ok(playlistsAnswer("Mix")));
        // Only the page's load is slow, slow enough that the edit ends before
        // it even on a busy machine; an order save's own read is not.
        int reads = 0;
        m_server->setHandler([&reads](const TestHttpServer::Request &request) {
            TestHttpServer::Response answer = TestHttpServer::ok(playlistWith({"s1"}));
            if (request.path() == "/rest/getPlaylist" && reads++ == 0)
                answer.delayMs = 2000;
            return answer;
        });
        QElapsedTimer clock;
        clock.start();
        QCoro::Task<Outcome<PlaylistDetail>> loading = capture(m_store->playlistDetail("p1"));
        QTRY_COMPARE(countRequests(*m_server, "/rest/getPlaylist"), 1);
        QVERIFY(wait(this->edit(edit)).value.value_or(false));
        QVERIFY2(clock.elapsed() < 1500, "the edit did not end while the load was on its way");
        QVERIFY(QCoro::waitFor(std::move(loading)).value);
        QVERIFY(!m_store->playlistDetails().contains("p1"));

        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith({"s1", "s2"})));
        const int before = countRequests(*m_server, "/rest/getPlaylist");
        const Outcome<PlaylistDetail> fresh = wait(m_store->playlistDetail("p1"));
        QCOMPARE(countRequests(*m_server, "/rest/getPlaylist"), before + 1);
        QCOMPARE(fresh.value->entry->size(), 2);
    }

    // One add and one order save of the same playlist, in every overlap,
    // against a server that answers late: every added song stays, after the
    // songs in the user's order. Also when this store never read the list.
    void addAndOrderInAnyInterleaving_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("overlap");
        QTest::addColumn<bool>("known");
        for (const bool known : {true, false}) {
            const char *const read = known ? "" : ", list unread";
            QTest::addRow("add, then order%s", read) << "add" << false << known;
            QTest::addRow("order asked while the add is out%s", read) << "add" << true << known;
            QTest::addRow("add asked while the order is out%s", read) << "order" << true << known;
            QTest::addRow("order, then add%s", read) << "order" << false << known;
        }
    }

    void addAndOrderInAnyInterleaving()
    {
        QFETCH(QString, first);
        QFETCH(bool, overlap);
        QFETCH(bool, known);
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = QStringList {"s1", "s2", "s3"};
        server.delayMs = 120;
        if (known)
            QVERIFY(wait(m_store->playlistDetail("p1")).value);
        // The user's order, made on the list as loaded before the add.
        const QStringList dragged {"s3", "s1", "s2"};
        const auto order
            = [this, &dragged]() -> QCoro::Task<> { co_await m_store->reorderPlaylist("p1", dragged); };
        QCoro::Task<> a = first == "add" ? m_store->addSongs({song("s9"), song("s8")}, "p1") : order();
        if (!overlap)
            QCoro::waitFor(std::move(a));
        QCoro::Task<> b = first == "add" ? order() : m_store->addSongs({song("s9"), song("s8")}, "p1");
        if (overlap)
            QCoro::waitFor(std::move(a));
        QCoro::waitFor(std::move(b));
        QCOMPARE(server.lists.value("p1"), (QStringList {"s3", "s1", "s2", "s9", "s8"}));
    }

    // A failed order save leaves the server's order unknown: a removal asked
    // for on the unsaved order removes the song the user chose, found in the
    // list read afresh; an index outside the user's list sends nothing.
    void removalAfterAFailedOrderSave()
    {
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = QStringList {"s1", "s2", "s3"};
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        server.failOrders = true;
        QTest::ignoreMessage(QtWarningMsg, "save the new order failed: The server returned HTTP 500.");
        QVERIFY(!QCoro::waitFor(m_store->reorderPlaylist("p1", {"s3", "s1", "s2"})));
        QCoro::waitFor(m_store->removeSong(0, {"s3", "s1", "s2"}, "p1"));
        QCOMPARE(server.lists.value("p1"), (QStringList {"s1", "s2"}));

        m_server->clearRequests();
        QCoro::waitFor(m_store->removeSong(2, {"s1", "s2"}, "p1"));
        QCoro::waitFor(m_store->removeSong(-1, {"s1", "s2"}, "p1"));
        QCOMPARE(countRequests(*m_server, "/rest/updatePlaylist"), 0);
        QCOMPARE(server.lists.value("p1"), (QStringList {"s1", "s2"}));
    }

    // A write whose fate is unknown (the server applied it and the answer
    // was lost, or the connection closed as it was sent and nothing arrived)
    // is settled by reading the list: applied once, and nothing reported.
    void writeOfUnknownFateLandsOnce_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("idLength"); // ids grown to so many characters: a long write
        for (const bool applied : {true, false}) {
            const char *how = applied ? "applied, answer lost" : "closed as sent";
            QTest::addRow("removal, %s", how) << "remove 1" << applied << QStringList {"A", "C", "D"} << 0;
            QTest::addRow("add, %s", how)
                << "add s9" << applied << QStringList {"A", "B", "C", "D", "s9"} << 0;
            QTest::addRow("order, %s", how)
                << "order D,C,B,A" << applied << QStringList {"D", "C", "B", "A"} << 0;
            QTest::addRow("rename, %s", how)
                << "rename New" << applied << QStringList {"A", "B", "C", "D"} << 0;
            QTest::addRow("delete, %s", how) << "delete" << applied << QStringList {} << 0;
            QTest::addRow("long add, %s", how)
                << "add s9" << applied << QStringList {"A", "B", "C", "D", "s9"} << 7000;
            QTest::addRow("long order, %s", how)
                << "order D,C,B,A" << applied << QStringList {"D", "C", "B", "A"} << 2000;
        }
    }

    void writeOfUnknownFateLandsOnce()
    {
        QFETCH(QString, edit);
        QFETCH(bool, applied);
        QFETCH(QStringList, after);
        QFETCH(int, idLength);
        const auto grown = [idLength](QStringList ids) {
            for (QString &id : ids)
                id = id.leftJustified(idLength, u'-');
            return ids;
        };
        FakePlaylistServer server(*m_server);
        const QStringList shown = grown({"A", "B", "C", "D"});
        server.lists["p1"] = shown;
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        if (applied)
            server.nextWriteAnswer = TestHttpServer::dropped();
        else
            server.dropNextWrite = true;
        QStringList step = edit.split(' ');
        if (step.first() == "add" || step.first() == "order")
            step[1] = grown(step.at(1).split(',')).join(',');
        QVERIFY(wait(this->edit(step.join(' '), shown)).value.value_or(false));
        QVERIFY(!m_store->lastFailure());
        QCOMPARE(server.writesReceived, applied ? 1 : 2);
        QCOMPARE(server.lists.value("p1"), grown(after));
        // A long write goes as a form, sent once each time.
        for (const TestHttpServer::Request &request : m_server->requests()) {
            if (request.path() == "/rest/updatePlaylist" || request.path() == "/rest/createPlaylist")
                QCOMPARE(request.method, QByteArray(idLength > 0 ? "POST" : "GET"));
        }
        if (edit.startsWith("rename"))
            QCOMPARE(server.names.value("p1"), QStringLiteral("New"));
        // The write's answer really was lost on the way.
        QVERIFY2(!server.nextWriteAnswer, "the write was answered");
    }

    // Another device changed the playlist after the page read it: each
    // write is worked out on the list the server holds right before it, the
    // user's rows found there by song and copy, the other device's songs
    // kept, and a row already gone not removed again.
    void editAfterAnotherDeviceChanged_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("edits"); // "other …" changes the server's list
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("writes");
        const QStringList abcd {"A", "B", "C", "D"};
        QTest::newRow("added, then a drag")
            << QStringList {"s1", "s2", "s3"} << QStringList {"other s1,s2,s3,x7", "order s3,s1,s2"}
            << QStringList {"s3", "s1", "s2", "x7"} << 1;
        QTest::newRow("added in the middle, then a drag")
            << QStringList {"s1", "s2", "s3"} << QStringList {"other s1,x7,s2,s3", "order s3,s1,s2"}
            << QStringList {"s3", "x7", "s1", "s2"} << 1;
        QTest::newRow("a row removed, then another")
            << abcd << QStringList {"other B,C,D", "remove 2"} << QStringList {"B", "D"} << 1;
        QTest::newRow("the row itself removed")
            << abcd << QStringList {"other A,B,D", "remove 2"} << QStringList {"A", "B", "D"} << 0;
        QTest::newRow("removed, added back, removed again")
            << QStringList {"A", "B"} << QStringList {"remove 1", "other A,B,C", "remove 1"}
            << QStringList {"A", "C"} << 2;
        QTest::newRow("a copy added, then the first removed")
            << QStringList {"A", "B"} << QStringList {"other A,B,A", "remove 0"} << QStringList {"B", "A"}
            << 1;
    }

    void editAfterAnotherDeviceChanged()
    {
        QFETCH(QStringList, shown);
        QFETCH(QStringList, edits);
        QFETCH(QStringList, after);
        QFETCH(int, writes);
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = shown;
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        for (const QString &edit : std::as_const(edits)) {
            const QStringList words = edit.split(' ');
            if (words.at(0) == "other")
                server.lists["p1"] = words.at(1).split(',');
            else
                QVERIFY(wait(this->edit(edit, shown)).value.value_or(false));
        }
        QCOMPARE(server.lists.value("p1"), after);
        QCOMPARE(server.writesReceived, writes);
        QVERIFY(!m_store->lastFailure());
    }

    // What the server holds changed unseen (a write it applied without a
    // readable answer, another client's add): the playlist shown again and
    // dragged keeps every song the server holds, and brings none back.
    void dragAfterAnUnseenChangeKeepsTheServersSongs_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("held");
        QTest::newRow("add applied, answer failed") << "add s9" << QStringList {"A", "B", "C", "s9"};
        QTest::newRow("removal applied, answer failed") << "remove 1" << QStringList {"A", "C"};
        QTest::newRow("another client added") << "other" << QStringList {"A", "B", "C", "s9"};
    }

    void dragAfterAnUnseenChangeKeepsTheServersSongs()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, held);
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = QStringList {"A", "B", "C"};
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        if (change == "other") {
            server.lists["p1"].append("s9");
        } else {
            server.nextWriteAnswer = TestHttpServer::json("bad gateway", 502);
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression("(remove from|add to) the playlist failed"));
            QVERIFY(wait(edit(change, {"A", "B", "C"})).value);
        }
        QCOMPARE(server.lists.value("p1"), held);
        // The page comes back, and the user drags on what it shows.
        const std::optional<PlaylistDetail> shown = wait(m_store->playlistDetail("p1")).value;
        QVERIFY(shown);
        QStringList order;
        for (const Song &entry : shown->entry.value_or(QList<Song>()))
            order.prepend(entry.id);
        QVERIFY(QCoro::waitFor(m_store->reorderPlaylist("p1", order)));
        QStringList kept = server.lists.value("p1");
        kept.sort();
        QCOMPARE(kept, held);
    }

    // Two edits' list reloads crossing: the older answer, arriving last,
    // does not replace the newer list.
    void crossingListReloadsKeepTheNewer()
    {
        int reads = 0;
        m_server->setHandler([&reads](const TestHttpServer::Request &request) {
            if (request.path() != "/rest/getPlaylists")
                return TestHttpServer::ok();
            TestHttpServer::Response answer = TestHttpServer::ok(playlistsAnswer(reads == 0 ? "Old" : "New"));
            answer.delayMs = reads++ == 0 ? 400 : 0;
            return answer;
        });
        QCoro::Task<> older = m_store->renamePlaylist("p1", "Old");
        QTRY_COMPARE(reads, 1);
        QCoro::waitFor(m_store->renamePlaylist("p2", "New"));
        QCOMPARE(m_store->playlists().value(0).name, QStringLiteral("New"));
        QCoro::waitFor(std::move(older));
        QCOMPARE(m_store->playlists().value(0).name, QStringLiteral("New"));
    }

    // The fresh copy a retry reads is handed back but not kept when a
    // refresh came while it was on its way.
    void retryReadAcrossARefreshIsNotCached()
    {
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith({})));
        m_server->setResponse("/rest/updatePlaylist", TestHttpServer::dropped());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("add to the playlist failed"));
        QCoro::waitFor(m_store->addSongs({song("s5")}, "p1"));
        QVERIFY(m_store->lastFailure() && m_store->lastFailure()->canRetry());
        m_server->clearRequests();
        TestHttpServer::Response slow = TestHttpServer::ok(playlistWith({"s5"}));
        slow.delayMs = 300;
        m_server->setResponse("/rest/getPlaylist", slow);
        QCoro::Task<> retry = m_store->retryLastFailure();
        QTRY_COMPARE(countRequests(*m_server, "/rest/getPlaylist"), 1);
        m_store->refresh();
        QCoro::waitFor(std::move(retry));
        QVERIFY(!m_store->playlistDetails().contains("p1"));
    }

    // Rows removed one after another from the list as the page showed it,
    // before the page loaded it again: each removal takes the row the user
    // chose, a row asked twice goes once, and nothing is reported.
    void removalsFromOneShownList_data()
    {
        QTest::addColumn<QStringList>("start");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<bool>("together");
        QTest::addColumn<int>("failFirst");
        QTest::addColumn<QStringList>("expected");
        const QStringList aba {"a", "b", "a"};
        const QStringList five {"A", "B", "C", "D", "E"};
        QTest::newRow("both copies, one after the other")
            << aba << QList<int> {0, 2} << false << 0 << QStringList {"b"};
        QTest::newRow("both copies, asked together")
            << aba << QList<int> {0, 2} << true << 0 << QStringList {"b"};
        QTest::newRow("last copy, then first") << aba << QList<int> {2, 0} << false << 0 << QStringList {"b"};
        QTest::newRow("two rows of five")
            << five << QList<int> {2, 3} << true << 0 << QStringList {"A", "B", "E"};
        QTest::newRow("one row twice") << aba << QList<int> {0, 0} << false << 0 << QStringList {"b", "a"};
        QTest::newRow("the first refused, retried after the second")
            << aba << QList<int> {0, 2} << false << 1 << QStringList {"b"};
    }

    void removalsFromOneShownList()
    {
        QFETCH(QStringList, start);
        QFETCH(QList<int>, rows);
        QFETCH(bool, together);
        QFETCH(int, failFirst);
        QFETCH(QStringList, expected);
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = start;
        server.failRemovals = failFirst;
        QVERIFY(wait(m_store->playlistDetail("p1")).value);
        if (failFirst)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("remove from the playlist failed"));
        std::vector<QCoro::Task<>> tasks;
        QList<quint64> shown; // the rows' names, as a page gives them
        for (qsizetype row = 0; row < start.size(); ++row)
            shown.append(quint64(row) + 1);
        for (int row : std::as_const(rows)) {
            tasks.push_back(m_store->removeSong(row, start, "p1", shown));
            if (!together)
                QCoro::waitFor(std::move(tasks.back()));
        }
        if (together) {
            for (QCoro::Task<> &task : tasks)
                QCoro::waitFor(std::move(task));
        }
        if (failFirst) {
            QVERIFY(m_store->lastFailure() && m_store->lastFailure()->canRetry());
            QCoro::waitFor(m_store->retryLastFailure());
        }
        QCOMPARE(server.lists.value("p1"), expected);
        QVERIFY(!m_store->lastFailure());
    }

    // The end of the run sends, within its bound, every write asked for
    // before it, however the caller split it: an album whose songs are still
    // being looked up, a new playlist, the albums of one drop (each album's
    // songs are looked up only once the album before it was added), and
    // removals queued one behind the other (the list of playlists is read
    // after them, not between them).
    void endOfRunSendsEveryWriteAskedFor_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QStringList>("after"); // the playlist's songs, or the new playlists' names
        QTest::newRow("album added") << "album" << 150 << QStringList {"s1", "a1", "a2"};
        QTest::newRow("playlist created") << "create" << 150 << QStringList {"New"};
        QTest::newRow("three albums dropped")
            << "albums" << 100 << QStringList {"s1", "a1", "a2", "b1", "c1", "c2"};
        QTest::newRow("ten removals queued") << "removals" << 150 << QStringList {"s10", "s11"};
    }

    void endOfRunSendsEveryWriteAskedFor()
    {
        QFETCH(QString, edit);
        QFETCH(int, delayMs);
        QFETCH(QStringList, after);
        FakePlaylistServer server(*m_server);
        server.delayMs = delayMs;
        server.lists["p1"] = QStringList {"s1"};
        server.albums["a"] = QStringList {"a1", "a2"};
        server.albums["b"] = QStringList {"b1"};
        server.albums["c"] = QStringList {"c1", "c2"};
        QList<Album> albums;
        for (const char *id : {"a", "b", "c"}) {
            Album album;
            album.id = id;
            albums.append(album);
        }
        std::vector<QCoro::Task<>> tasks;
        std::optional<QCoro::Task<std::optional<QString>>> creating;
        if (edit == "album") {
            tasks.push_back(m_store->addAlbum(albums.first(), "p1"));
        } else if (edit == "albums") {
            tasks.push_back(m_store->addAlbums(albums, "p1"));
        } else if (edit == "create") {
            creating.emplace(m_store->createPlaylist("New"));
        } else {
            QStringList shown;
            for (int i = 0; i < 12; ++i)
                shown.append(QStringLiteral("s%1").arg(i));
            server.lists["p1"] = shown;
            QList<quint64> list;
            for (quint64 row = 1; row <= 12; ++row)
                list.append(row);
            for (int row = 0; row < 10; ++row)
                tasks.push_back(m_store->removeSong(row, shown, "p1", list));
        }
        LibraryStore::settlePlaylistWrites({m_store.get()});
        QCOMPARE(edit == "create" ? server.names.values() : server.lists.value("p1"), after);
        QVERIFY(!m_store->hasPendingPlaylistWrites());
        QVERIFY(!m_store->lastFailure());
        if (edit != "create") {
            // The list of playlists is read once, after the last write.
            QTRY_COMPARE(m_store->playlists().size(), 1);
            QCOMPARE(countRequests(*m_server, "/rest/getPlaylists"), 1);
        }
    }

    // An add whose list cannot be read first (a proxy's 502) is not sent:
    // sent blind and its answer lost, it could not be settled, and its Retry
    // would add the song a second time. Its Retry reads, then adds.
    void addWhoseListCannotBeReadIsNotSent()
    {
        FakePlaylistServer server(*m_server);
        server.lists["p1"] = QStringList {"A", "B", "C"};
        server.failReads = 1;
        server.nextWriteAnswer = TestHttpServer::dropped();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^add to the playlist failed: "));
        QCoro::waitFor(m_store->addSongs({song("s9")}, "p1"));
        QCOMPARE(server.writesReceived, 0);
        QVERIFY(m_store->lastFailure() && m_store->lastFailure()->canRetry());
        QCOMPARE(m_store->lastFailure()->action(), QStringLiteral("add to the playlist"));

        QCoro::waitFor(m_store->retryLastFailure());
        QCOMPARE(server.lists.value("p1"), (QStringList {"A", "B", "C", "s9"}));
        QCOMPARE(server.writesReceived, 1);
        // The Retry's own answer was lost, and settled by reading the list.
        QVERIFY(!server.nextWriteAnswer);
        QVERIFY(!m_store->lastFailure());
    }

    // A save waiting its turn when the store goes away answers false.
    void orderSaveWaitingWhenStoreGoes()
    {
        TestHttpServer::Response slow = TestHttpServer::ok();
        slow.delayMs = 100;
        m_server->setResponse("/rest/createPlaylist", slow);
        m_server->setResponse("/rest/getPlaylist", TestHttpServer::ok(playlistWith({"a", "b"})));
        QCoro::Task<Outcome<bool>> first = capture(m_store->reorderPlaylist("p1", {"b", "a"}));
        QCoro::Task<Outcome<bool>> second = capture(m_store->reorderPlaylist("p1", {"a", "b"}));
        QTRY_COMPARE(countRequests(*m_server, "/rest/createPlaylist"), 1);
        const qsizetype sentBefore = m_server->requests().size();
        m_store.reset();
        QCOMPARE(QCoro::waitFor(std::move(first)).value, std::optional<bool>(true));
        QCOMPARE(QCoro::waitFor(std::move(second)).value, std::optional<bool>(false));
        QTest::qWait(50);
        // Nothing at all goes out for the save left waiting, not even a read.
        QCOMPARE(m_server->requests().size(), sentBefore);
    }
};

QTEST_GUILESS_MAIN(TestLibraryStorePlaylists)
#include "tst_LibraryStorePlaylists.moc"
