#include "SubsonicClient.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;
using namespace SubsonicPayloads;


namespace {

QString decimal(qint64 value)
{
    return QString::number(value);
}

} // namespace

SubsonicClient::SubsonicClient(ServerConfig config, UrlSession *session)
    : m_config(std::move(config))
    , m_session(session)
{
}

QUrl SubsonicClient::endpointURL(const QString &endpoint) const
{
    QUrl url = m_config.baseURL;
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + u"/rest/"_s + endpoint);
    url.setQuery(QString());
    return url;
}

QByteArray SubsonicClient::signedItems(const QueryItems &params) const
{
    const QString salt = makeSalt(12);
    QueryItems items{
        {u"u"_s, m_config.username},
        {u"t"_s, token(m_config.password, salt)},
        {u"s"_s, salt},
        {u"v"_s, QString::fromLatin1(ApiVersion)},
        {u"c"_s, QString::fromLatin1(ClientName)},
        {u"f"_s, u"json"_s},
    };
    items.append(params);

    // Every name and value is escaped in full (only unreserved characters stay
    // as they are), so "+", "&", "=" and spaces reach the server as given, in
    // a query and in a form alike.
    QByteArray encoded;
    for (const QueryItem &item : std::as_const(items)) {
        if (!encoded.isEmpty())
            encoded += '&';
        encoded += QUrl::toPercentEncoding(item.name) + '=' + QUrl::toPercentEncoding(item.value);
    }
    return encoded;
}

QUrl SubsonicClient::url(const QString &endpoint, const QueryItems &params) const
{
    QUrl url = endpointURL(endpoint);
    url.setQuery(QString::fromLatin1(signedItems(params)), QUrl::StrictMode);
    return url;
}

QUrl SubsonicClient::coverArtURL(const QString &id, std::optional<int> size) const
{
    QueryItems params{{u"id"_s, id}};
    if (size)
        params.append({u"size"_s, decimal(*size)});
    return url(u"getCoverArt"_s, params);
}

QString SubsonicClient::makeSalt(int length)
{
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr quint32 alphabetSize = 36;
    // The largest multiple of 36 that fits in 32 bits: draws at or above it
    // are repeated, so every character is equally likely.
    constexpr quint32 limit = quint32((quint64(1) << 32) / alphabetSize * alphabetSize);
    QString salt;
    salt.reserve(std::max(length, 0));
    auto *random = QRandomGenerator::system();
    for (int i = 0; i < length; ++i) {
        quint32 draw = random->generate();
        while (draw >= limit)
            draw = random->generate();
        salt.append(QLatin1Char(alphabet[draw % alphabetSize]));
    }
    return salt;
}

QString SubsonicClient::token(const QString &password, const QString &salt)
{
    const QByteArray digest = QCryptographicHash::hash((password + salt).toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

namespace {

// Whether a long request's answer shows that the server did not take the
// form (so did not apply the call): it refuses the method, or it reports a
// required parameter missing, having read none.
bool formRefused(const HttpResponse &response)
{
    if (!response.status)
        return false;
    if (*response.status == 405 || *response.status == 501)
        return true;
    if (*response.status < 200 || *response.status > 299)
        return false;
    const QJsonObject envelope = QJsonDocument::fromJson(response.body).object();
    if (!envelope.isEmpty()) {
        const QJsonObject error
            = envelope.value("subsonic-response"_L1).toObject().value("error"_L1).toObject();
        return envelope.value("subsonic-response"_L1).toObject().value("status"_L1).toString() != "ok"_L1
            && error.value("code"_L1).toInteger(-1) == 10;
    }
    // A server that reads no form may not read the "f" of its address
    // either, and refuses in its default format, XML.
    QXmlStreamReader xml(response.body);
    if (!xml.readNextStartElement() || xml.name() != "subsonic-response"_L1
        || xml.attributes().value("status"_L1) == "ok"_L1)
        return false;
    while (xml.readNextStartElement()) {
        if (xml.name() == "error"_L1)
            return xml.attributes().value("code"_L1) == "10"_L1;
        xml.skipCurrentElement();
    }
    return false;
}

// Whether the GET of a long request, sent after its form was refused, was
// refused for its length too: a status that speaks of the request's size or
// shape, the method refused again, or parameters that did not arrive whole.
bool queryRefused(const HttpResponse &response)
{
    if (!response.status)
        return false;
    switch (*response.status) {
    case 400: // Tomcat and Jetty, past their header buffer
    case 413:
    case 414: // nginx and Apache, past their request line limit
    case 431:
        return true;
    default:
        return formRefused(response);
    }
}

} // namespace

QCoro::Task<QByteArray> SubsonicClient::fetchBody(SubsonicClient client, QString endpoint, QueryItems params,
    TaskHandle handle, UrlSession::Delivery delivery)
{
    UrlSession *session = client.m_session ? client.m_session : UrlSession::shared();
    QUrl url = client.url(endpoint, params);
    HttpResponse response;
    if (url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority).size() <= LongRequestBytes) {
        response = co_await session->data(std::move(url), handle, UrlSession::Body::Answer, delivery);
    } else {
        // The same items, signed afresh, as a form: a server that did not
        // take it applied nothing, so the call goes once more as a GET. The
        // address names the answer's format as well, so that a server that
        // reads no form refuses in JSON like any other failure; it carries
        // nothing of the signing.
        QUrl formURL = client.endpointURL(endpoint);
        formURL.setQuery(u"f=json"_s);
        response = co_await session->data(
            std::move(formURL), handle, UrlSession::Body::Answer, delivery, client.signedItems(params));
        if (formRefused(response)) {
            response = co_await session->data(
                client.url(endpoint, params), handle, UrlSession::Body::Answer, delivery);
            if (queryRefused(response))
                throw SubsonicError::tooLong();
        }
    }
    if (!response.status)
        throw SubsonicError::invalidResponse();
    if (*response.status < 200 || *response.status > 299)
        throw SubsonicError::http(*response.status);
    co_return response.body;
}

QJsonObject SubsonicClient::decodeEnvelope(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw SubsonicError::invalidResponse();
    const QJsonValue responseValue = document.object().value("subsonic-response"_L1);
    if (!responseValue.isObject())
        throw SubsonicError::invalidResponse();
    const QJsonObject response = responseValue.toObject();
    const QJsonValue status = response.value("status"_L1);
    if (!status.isString())
        throw SubsonicError::invalidResponse();

    // A present "error" must be readable even when the status is "ok".
    std::optional<qint64> code;
    std::optional<QString> message;
    const QJsonValue errorValue = response.value("error"_L1);
    bool hasError = false;
    if (!errorValue.isUndefined() && !errorValue.isNull()) {
        if (!errorValue.isObject())
            throw SubsonicError::invalidResponse();
        const QJsonObject errorObject = errorValue.toObject();
        qint64 errorCode = 0;
        if (!JsonFields::readInteger(errorObject.value("code"_L1), errorCode))
            throw SubsonicError::invalidResponse();
        if (!JsonFields::optional(errorObject, "message"_L1, message))
            throw SubsonicError::invalidResponse();
        code = errorCode;
        hasError = true;
    }

    if (status.toString() != "ok"_L1) {
        const int reportedCode = hasError ? int(*code) : -1;
        throw SubsonicError::server(reportedCode, message.value_or(u"Unknown server error"_s));
    }
    return response;
}

QCoro::Task<> SubsonicClient::ping(TaskHandle handle) const
{
    return request<EmptyPayload>(*this, u"ping"_s, {}, handle);
}

QCoro::Task<QList<ArtistIndex>> SubsonicClient::artists(TaskHandle handle) const
{
    return request<ArtistsPayload>(*this, u"getArtists"_s, {}, handle);
}

QCoro::Task<ArtistDetail> SubsonicClient::artist(const QString &id, TaskHandle handle) const
{
    return request<ArtistPayload>(*this, u"getArtist"_s, {{u"id"_s, id}}, handle);
}

QCoro::Task<Album> SubsonicClient::album(const QString &id, TaskHandle handle) const
{
    return request<AlbumPayload>(*this, u"getAlbum"_s, {{u"id"_s, id}}, handle);
}

QCoro::Task<QList<Album>> SubsonicClient::albums(AlbumListType type, int size, int offset, TaskHandle handle) const
{
    return request<AlbumListPayload>(*this, u"getAlbumList2"_s,
        {{u"type"_s, AlbumListTypes::rawValue(type)}, {u"size"_s, decimal(size)}, {u"offset"_s, decimal(offset)}},
        handle);
}

QCoro::Task<QList<Song>> SubsonicClient::songs(int size, int offset, TaskHandle handle) const
{
    return request<SearchSongsPayload>(*this, u"search3"_s,
        {{u"query"_s, QString()}, {u"artistCount"_s, u"0"_s}, {u"albumCount"_s, u"0"_s},
            {u"songCount"_s, decimal(size)}, {u"songOffset"_s, decimal(offset)}},
        handle);
}

QCoro::Task<SearchResult> SubsonicClient::search(const QString &query, int artistCount, int albumCount,
    int songCount, int songOffset, TaskHandle handle) const
{
    return request<SearchPayload>(*this, u"search3"_s,
        {{u"query"_s, query}, {u"artistCount"_s, decimal(artistCount)}, {u"albumCount"_s, decimal(albumCount)},
            {u"songCount"_s, decimal(songCount)}, {u"songOffset"_s, decimal(songOffset)}},
        handle);
}

QCoro::Task<SearchResult> SubsonicClient::starred(TaskHandle handle) const
{
    return request<StarredPayload>(*this, u"getStarred2"_s, {}, handle);
}

QCoro::Task<QList<Playlist>> SubsonicClient::playlists(TaskHandle handle) const
{
    return request<PlaylistsPayload>(*this, u"getPlaylists"_s, {}, handle);
}

QCoro::Task<PlaylistDetail> SubsonicClient::playlist(const QString &id, TaskHandle handle) const
{
    return request<PlaylistPayload>(*this, u"getPlaylist"_s, {{u"id"_s, id}}, handle);
}

QCoro::Task<std::optional<PlaylistDetail>> SubsonicClient::createPlaylist(const QString &name,
    TaskHandle handle) const
{
    // A second copy would be a second playlist.
    return request<CreatedPlaylistPayload>(
        *this, u"createPlaylist"_s, {{u"name"_s, name}}, handle, UrlSession::Delivery::AtMostOnce);
}

QCoro::Task<> SubsonicClient::updatePlaylist(const QString &id, const std::optional<QString> &name,
    const QStringList &addSongIds, const QList<int> &removeIndexes, TaskHandle handle) const
{
    QueryItems params{{u"playlistId"_s, id}};
    if (name)
        params.append({u"name"_s, *name});
    for (const QString &songId : addSongIds)
        params.append({u"songIdToAdd"_s, songId});
    for (int index : removeIndexes)
        params.append({u"songIndexToRemove"_s, decimal(index)});
    // Songs are appended and rows removed by position: sent twice, either
    // would be applied twice.
    return request<EmptyPayload>(*this, u"updatePlaylist"_s, params, handle, UrlSession::Delivery::AtMostOnce);
}

QCoro::Task<> SubsonicClient::replacePlaylistSongs(const QString &id, const QStringList &songIds,
    TaskHandle handle) const
{
    QueryItems params{{u"playlistId"_s, id}};
    for (const QString &songId : songIds)
        params.append({u"songId"_s, songId});
    // Sent once like every playlist write, so that one whose answer was lost
    // is settled by reading the list rather than by a resend of Qt's.
    return request<EmptyPayload>(*this, u"createPlaylist"_s, params, handle, UrlSession::Delivery::AtMostOnce);
}

QCoro::Task<> SubsonicClient::deletePlaylist(const QString &id, TaskHandle handle) const
{
    // A second copy of an applied delete would fail: the playlist is gone.
    return request<EmptyPayload>(
        *this, u"deletePlaylist"_s, {{u"id"_s, id}}, handle, UrlSession::Delivery::AtMostOnce);
}

QCoro::Task<> SubsonicClient::setStarred(bool starred, const QString &id, TaskHandle handle) const
{
    return request<EmptyPayload>(*this, starred ? u"star"_s : u"unstar"_s, {{u"id"_s, id}}, handle);
}

QCoro::Task<> SubsonicClient::setStarredAlbumId(bool starred, const QString &albumId, TaskHandle handle) const
{
    return request<EmptyPayload>(*this, starred ? u"star"_s : u"unstar"_s, {{u"albumId"_s, albumId}}, handle);
}

QCoro::Task<> SubsonicClient::setStarredArtistId(bool starred, const QString &artistId, TaskHandle handle) const
{
    return request<EmptyPayload>(*this, starred ? u"star"_s : u"unstar"_s, {{u"artistId"_s, artistId}}, handle);
}

QCoro::Task<> SubsonicClient::scrobble(const QString &id, bool submission, TaskHandle handle) const
{
    return request<EmptyPayload>(*this, u"scrobble"_s,
        {{u"id"_s, id}, {u"submission"_s, submission ? u"true"_s : u"false"_s}}, handle);
}
