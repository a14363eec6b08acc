#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

#include "Models/Album.h"
#include "Models/AlbumListType.h"
#include "Models/ArtistDetail.h"
#include "Models/ArtistIndex.h"
#include "Models/Playlist.h"
#include "Models/PlaylistDetail.h"
#include "Models/SearchResult.h"
#include "Networking/ServerConfig.h"
#include "Networking/SubsonicError.h"
#include "Networking/TransportError.h"
#include "Networking/UrlSession.h"
#include "Support/TaskHandle.h"
#include "Networking/SubsonicPayloads.h"
#include "Models/JsonFields.h"

struct QueryItem
{
    QString name;
    QString value;

    friend bool operator==(const QueryItem &, const QueryItem &) = default;
};
using QueryItems = QList<QueryItem>;

// The Subsonic REST client: an immutable value copied into every store, page
// and task that talks to the server. It keeps no state: every request is
// signed afresh, nothing is cached or retried.
//
// Every call throws SubsonicError for what the server or its answer got
// wrong, and TransportError (unchanged from the session) below HTTP. The
// optional handle cancels the call's request. Calls copy the client into
// their coroutine, so calling on a temporary is safe.
class SubsonicClient
{
public:
    static constexpr auto ApiVersion = "1.16.1";
    static constexpr auto ClientName = "Lirna";

    SubsonicClient() = default;
    SubsonicClient(ServerConfig config, UrlSession *session);

    const ServerConfig &config() const { return m_config; }
    UrlSession *session() const { return m_session; }

    // The longest request target (path and query) that goes out as a GET.
    // A call whose target would be longer goes as a POST of the same items
    // as a form: proxies and servers refuse request lines past about 8 KB
    // (nginx's 4 8k buffers, Apache's 8190 bytes, Tomcat's 8 KB for the line
    // and every header), and this leaves our headers room under each.
    static constexpr qsizetype LongRequestBytes = 6 * 1024;

    // The signed URL of one call: the six authentication items, then `params`
    // in their order (names may repeat).
    QUrl url(const QString &endpoint, const QueryItems &params) const;
    QUrl coverArtURL(const QString &id, std::optional<int> size) const;

    static QString makeSalt(int length);
    static QString token(const QString &password, const QString &salt);

    // Reads one answer body: the envelope, its status, then the payload.
    template<typename Payload>
    static Payload decodePayload(const QByteArray &data);

    QCoro::Task<> ping(TaskHandle handle = {}) const;
    QCoro::Task<QList<ArtistIndex>> artists(TaskHandle handle = {}) const;
    QCoro::Task<ArtistDetail> artist(const QString &id, TaskHandle handle = {}) const;
    QCoro::Task<Album> album(const QString &id, TaskHandle handle = {}) const;
    QCoro::Task<QList<Album>> albums(AlbumListType type, int size, int offset, TaskHandle handle = {}) const;
    QCoro::Task<QList<Song>> songs(int size, int offset, TaskHandle handle = {}) const;
    QCoro::Task<SearchResult> search(const QString &query, int artistCount, int albumCount, int songCount,
        int songOffset, TaskHandle handle = {}) const;
    QCoro::Task<SearchResult> starred(TaskHandle handle = {}) const;
    QCoro::Task<QList<Playlist>> playlists(TaskHandle handle = {}) const;
    QCoro::Task<PlaylistDetail> playlist(const QString &id, TaskHandle handle = {}) const;
    // Nothing when the server created the playlist without sending it back.
    QCoro::Task<std::optional<PlaylistDetail>> createPlaylist(const QString &name, TaskHandle handle = {}) const;
    QCoro::Task<> updatePlaylist(const QString &id, const std::optional<QString> &name,
        const QStringList &addSongIds, const QList<int> &removeIndexes, TaskHandle handle = {}) const;
    QCoro::Task<> replacePlaylistSongs(const QString &id, const QStringList &songIds, TaskHandle handle = {}) const;
    QCoro::Task<> deletePlaylist(const QString &id, TaskHandle handle = {}) const;
    QCoro::Task<> setStarred(bool starred, const QString &id, TaskHandle handle = {}) const;
    QCoro::Task<> setStarredAlbumId(bool starred, const QString &albumId, TaskHandle handle = {}) const;
    QCoro::Task<> setStarredArtistId(bool starred, const QString &artistId, TaskHandle handle = {}) const;
    QCoro::Task<> scrobble(const QString &id, bool submission, TaskHandle handle = {}) const;

    friend bool operator==(const SubsonicClient &a, const SubsonicClient &b)
    {
        return a.m_config == b.m_config && a.m_session == b.m_session;
    }

private:
    // The one road of every call whose answer is read.
    template<typename Payload>
    static QCoro::Task<typename Payload::Result> request(SubsonicClient client, QString endpoint, QueryItems params,
        TaskHandle handle, UrlSession::Delivery delivery = UrlSession::Delivery::MayRepeat);

    // Fetches the signed URL, or posts its items when it is long, and checks
    // the HTTP status; returns the body.
    static QCoro::Task<QByteArray> fetchBody(SubsonicClient client, QString endpoint, QueryItems params,
        TaskHandle handle, UrlSession::Delivery delivery);
    // Checks the envelope and its status; returns the "subsonic-response" object.
    static QJsonObject decodeEnvelope(const QByteArray &data);

    // The call's address without a query, and its signed items (a fresh salt
    // each time) encoded as a query or form.
    QUrl endpointURL(const QString &endpoint) const;
    QByteArray signedItems(const QueryItems &params) const;

    ServerConfig m_config;
    UrlSession *m_session = nullptr;
};

template<typename Payload>
Payload SubsonicClient::decodePayload(const QByteArray &data)
{
    const QJsonObject response = decodeEnvelope(data);
    std::optional<Payload> payload = Payload::fromResponse(response);
    if (!payload)
        throw SubsonicError::invalidResponse();
    return std::move(*payload);
}

template<typename Payload>
QCoro::Task<typename Payload::Result> SubsonicClient::request(SubsonicClient client, QString endpoint,
    QueryItems params, TaskHandle handle, UrlSession::Delivery delivery)
{
    const QByteArray body
        = co_await fetchBody(std::move(client), std::move(endpoint), std::move(params), handle, delivery);
    if constexpr (std::is_void_v<typename Payload::Result>) {
        decodePayload<Payload>(body);
        co_return;
    } else {
        Payload payload = decodePayload<Payload>(body);
        co_return payload.result();
    }
}
