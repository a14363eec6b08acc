#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <QCoroTask>

#include <exception>
#include <memory>
#include <optional>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryStore.h"
#include "Networking/SubsonicClient.h"

// JSON pieces of the server's answers for the library store's tests.
namespace LibraryFixtures {

inline QByteArray songJson(const QString &id, const QString &albumId = QStringLiteral("al"))
{
    return QStringLiteral(R"({"id":"%1","title":"Song %1","album":"Album","albumId":"%2","artist":"Artist",)"
                          R"("artistId":"ar","track":1,"discNumber":1,"year":2001,"duration":215,)"
                          R"("contentType":"audio/flac","suffix":"flac","coverArt":"%2"})")
        .arg(id, albumId)
        .toUtf8();
}

inline QByteArray albumJson(const QString &id, const QByteArray &extra = {})
{
    QByteArray json = QStringLiteral(R"({"id":"%1","name":"Album %1","artist":"Artist","artistId":"ar")")
                          .arg(id)
                          .toUtf8();
    if (!extra.isEmpty())
        json += ',' + extra;
    return json + '}';
}

inline QByteArray joined(const QList<QByteArray> &items)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i)
            out += ',';
        out += items[i];
    }
    return out + ']';
}

inline QByteArray songsPage(int offset, int count)
{
    QList<QByteArray> songs;
    for (int i = 0; i < count; ++i)
        songs.append(songJson(QStringLiteral("s%1").arg(offset + i)));
    return R"("searchResult3":{"song":)" + joined(songs) + '}';
}

// Albums named "<prefix><n>" for n in [first, first + count).
inline QByteArray albumsPage(int first, int count, const QString &prefix = QStringLiteral("a"))
{
    QList<QByteArray> albums;
    for (int i = 0; i < count; ++i)
        albums.append(albumJson(prefix + QString::number(first + i)));
    return R"("albumList2":{"album":)" + joined(albums) + '}';
}

inline SubsonicClient clientFor(const TestHttpServer &server, UrlSession *session = nullptr)
{
    return SubsonicClient(ServerConfig {server.baseUrl(), QStringLiteral("user"), QStringLiteral("secret")},
        session ? session : UrlSession::shared());
}

// A fresh loopback server and a store over it, for one test; and their end,
// the store first.
inline bool startStore(std::unique_ptr<TestHttpServer> &server, std::unique_ptr<LibraryStore> &store)
{
    server = std::make_unique<TestHttpServer>();
    if (!server->listen())
        return false;
    store = std::make_unique<LibraryStore>(clientFor(*server));
    return true;
}

inline void stopStore(std::unique_ptr<TestHttpServer> &server, std::unique_ptr<LibraryStore> &store)
{
    store.reset();
    server.reset();
}

inline int countRequests(const TestHttpServer &server, const QByteArray &path)
{
    int n = 0;
    for (const auto &request : server.requests()) {
        if (request.path() == path)
            ++n;
    }
    return n;
}

// QCoro::waitFor never returns when the awaited task throws: tests wait on
// these wrappers, which hand the error back instead.
template<typename T> struct Outcome
{
    std::optional<T> value;
    std::exception_ptr error;
};

template<typename T> QCoro::Task<Outcome<T>> capture(QCoro::Task<T> task)
{
    Outcome<T> outcome;
    try {
        T value = co_await std::move(task);
        outcome.value = std::move(value);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    co_return outcome;
}

struct VoidOutcome
{
    std::exception_ptr error;
};

inline QCoro::Task<VoidOutcome> captureVoid(QCoro::Task<> task)
{
    VoidOutcome outcome;
    try {
        co_await std::move(task);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    co_return outcome;
}

template<typename T> Outcome<T> wait(QCoro::Task<T> task)
{
    return QCoro::waitFor(capture(std::move(task)));
}

inline std::exception_ptr waitVoid(QCoro::Task<> task)
{
    return QCoro::waitFor(captureVoid(std::move(task))).error;
}

} // namespace LibraryFixtures
