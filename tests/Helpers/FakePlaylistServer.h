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
    int delayMs = 0;
    bool failOrders = false;
    bool holdReads = false; // a read of a playlist is never answered
    int failRemovals = 0; // so many next removals are refused, not applied
    // The answer of the next write, after the write was applied: a failure,
    // or a connection closed with no answer (TestHttpServer::dropped()).
    std::optional<TestHttpServer::Response> nextWriteAnswer;
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
        if (path == "/rest/getPlaylist" && holdReads)
            return TestHttpServer::hanging();
        if (path == "/rest/updatePlaylist" && failRemovals > 0
            && !request.queryValue(QStringLiteral("songIndexToRemove")).isEmpty()) {
            --failRemovals;
            return TestHttpServer::json("boom", 500);
        }
        TestHttpServer::Response response = TestHttpServer::ok();
        const bool write
            = path == "/rest/updatePlaylist" || (path == "/rest/createPlaylist" && !id.isEmpty());
        if (path == "/rest/getPlaylist") {
            QList<QByteArray> songs;
            for (const QString &song : lists.value(id))
                songs.append(songJson(song));
            response = TestHttpServer::ok(
                R"("playlist":{"id":")" + id.toUtf8() + R"(","name":"Mix","entry":)" + joined(songs) + '}');
        } else if (path == "/rest/getPlaylists") {
            QList<QByteArray> items;
            for (auto it = lists.constBegin(); it != lists.constEnd(); ++it)
                items.append(R"({"id":")" + it.key().toUtf8() + R"(","name":"Mix"})");
            response = TestHttpServer::ok(R"("playlists":{"playlist":)" + joined(items) + '}');
        } else if (path == "/rest/createPlaylist" && !id.isEmpty()) {
            if (failOrders)
                response = TestHttpServer::json("boom", 500);
            else
                lists[id] = values;
        } else if (path == "/rest/updatePlaylist") {
            lists[id].append(added);
            const QString removed = request.queryValue(QStringLiteral("songIndexToRemove"));
            if (!removed.isEmpty())
                lists[id].removeAt(removed.toInt());
        } else {
            response = TestHttpServer::Response {404};
        }
        response.delayMs = delayMs;
        if (write) {
            ++writesReceived;
            if (nextWriteAnswer)
                response = *std::exchange(nextWriteAnswer, std::nullopt);
        }
        return response;
    }
};
