#pragma once

#include <QHash>
#include <QStringList>

#include <optional>
#include <utility>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"

// Playlists kept on a loopback server as a Subsonic server keeps them: a
// read answers the list as it is, an add appends, a removal takes one
// position out, an order save replaces the whole list. Each write changes
// the list when it arrives; every answer comes `delayMs` later.
class FakePlaylistServer
{
public:
    QHash<QString, QStringList> lists;
    QHash<QString, QString> names;
    QHash<QString, QStringList> albums; // the songs of each album
    int delayMs = 0;
    bool failOrders = false;
    // The first read of a playlist after each write (a page's reload) is
    // never answered; the reads a write makes before it go through.
    bool holdReads = false;
    bool holdNextRead = false;
    int failRemovals = 0; // so many next removals are refused, not applied
    TestHttpServer::Response refusal = TestHttpServer::json("boom", 500); // their answer
    int failReads = 0; // so many next reads of a playlist fail, as behind a proxy's 502
    // The answer of the next write, after the write was applied: a failure,
    // or a connection closed with no answer (TestHttpServer::dropped()).
    std::optional<TestHttpServer::Response> nextWriteAnswer;
    // The next write is not applied: its connection closes as it arrives,
    // as a kept-alive connection the server closed just then.
    bool dropNextWrite = false;
    int writesReceived = 0;

    explicit FakePlaylistServer(TestHttpServer &server)
    {
        server.setHandler([this](const TestHttpServer::Request &request) { return answer(request); });
    }

private:
    TestHttpServer::Response answer(const TestHttpServer::Request &request)
    {
        using namespace LibraryFixtures;
        const QByteArray path = request.path();
        const QString id = request.queryValue(QStringLiteral("playlistId")).isEmpty()
            ? request.queryValue(QStringLiteral("id"))
            : request.queryValue(QStringLiteral("playlistId"));
        QStringList values;
        QStringList added;
        for (const auto &[key, value] : request.queryItems()) {
            if (key == QLatin1String("songId"))
                values.append(value);
            else if (key == QLatin1String("songIdToAdd"))
                added.append(value);
        }
        if (path == "/rest/getPlaylist" && holdReads && std::exchange(holdNextRead, false))
            return TestHttpServer::hanging();
        if (path == "/rest/getPlaylist" && failReads > 0) {
            --failReads;
            return TestHttpServer::json("bad gateway", 502);
        }
        if (path == "/rest/updatePlaylist" && failRemovals > 0
            && !request.queryValue(QStringLiteral("songIndexToRemove")).isEmpty()) {
            --failRemovals;
            TestHttpServer::Response refused = refusal;
            refused.delayMs = delayMs;
            return refused;
        }
        TestHttpServer::Response response = TestHttpServer::ok();
        const bool write = path == "/rest/updatePlaylist" || path == "/rest/deletePlaylist"
            || (path == "/rest/createPlaylist" && !id.isEmpty());
        if (write && std::exchange(dropNextWrite, false)) {
            ++writesReceived;
            return TestHttpServer::dropped();
        }
        if (path == "/rest/getPlaylist") {
            QList<QByteArray> songs;
            for (const QString &song : lists.value(id))
                songs.append(songJson(song));
            response = TestHttpServer::ok(R"("playlist":{"id":")" + id.toUtf8() + R"(","name":")"
                + names.value(id, QStringLiteral("Mix")).toUtf8() + R"(","entry":)" + joined(songs) + '}');
        } else if (path == "/rest/getPlaylists") {
            QList<QByteArray> items;
            for (auto it = lists.constBegin(); it != lists.constEnd(); ++it)
                items.append(R"({"id":")" + it.key().toUtf8() + R"(","name":"Mix"})");
            response = TestHttpServer::ok(R"("playlists":{"playlist":)" + joined(items) + '}');
        } else if (path == "/rest/getAlbum") {
            QList<QByteArray> songs;
            for (const QString &song : albums.value(id))
                songs.append(songJson(song, id));
            response = TestHttpServer::ok(R"("album":)" + albumJson(id, R"("song":)" + joined(songs)));
        } else if (path == "/rest/createPlaylist" && id.isEmpty()) {
            const QString created = QStringLiteral("new%1").arg(lists.size());
            lists[created] = values;
            names[created] = request.queryValue(QStringLiteral("name"));
            response = TestHttpServer::ok(R"("playlist":{"id":")" + created.toUtf8() + R"(","name":"New"})");
        } else if (path == "/rest/createPlaylist" && !id.isEmpty()) {
            if (failOrders)
                response = TestHttpServer::json("boom", 500);
            else
                lists[id] = values;
        } else if (path == "/rest/deletePlaylist") {
            lists.remove(id);
        } else if (path == "/rest/updatePlaylist") {
            lists[id].append(added);
            const QString removed = request.queryValue(QStringLiteral("songIndexToRemove"));
            if (!removed.isEmpty())
                lists[id].removeAt(removed.toInt());
            if (const QString name = request.queryValue(QStringLiteral("name")); !name.isEmpty())
                names[id] = name;
        } else {
            response = TestHttpServer::Response {404};
        }
        response.delayMs = delayMs;
        if (write) {
            holdNextRead = holdReads;
            ++writesReceived;
            if (nextWriteAnswer)
                response = *std::exchange(nextWriteAnswer, std::nullopt);
        }
        return response;
    }
};
