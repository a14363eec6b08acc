#include "IntegrationServer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// The JSON file a fixture's setup test wrote, named by `variable`.
std::optional<QJsonObject> fixtureFile(
    const char *variable, const char *fixture, QString *path, QString *error)
{
    *path = qEnvironmentVariable(variable);
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read the fixture file %1: %2 (did the fixture %3 pass?)"_s.arg(
            *path, file.errorString(), QLatin1StringView(fixture));
        return std::nullopt;
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

bool IntegrationServer::isConfigured()
{
    return qEnvironmentVariableIsSet(EnvironmentVariable);
}

std::optional<IntegrationServer> IntegrationServer::load(QString *error)
{
    QString path;
    const std::optional<QJsonObject> file
        = fixtureFile(EnvironmentVariable, "integration_server_start", &path, error);
    if (!file)
        return std::nullopt;
    const QJsonObject &root = *file;
    IntegrationServer server;
    server.m_url = QUrl(root.value("url"_L1).toString());
    server.m_libraryPath = root.value("library"_L1).toString();
    for (const QJsonValue &value : root.value("accounts"_L1).toArray()) {
        const QJsonObject account = value.toObject();
        server.m_accounts.append(
            {account.value("username"_L1).toString(), account.value("password"_L1).toString()});
    }
    if (!server.m_url.isValid() || server.m_url.isEmpty() || server.m_accounts.size() < 2
        || server.m_libraryPath.isEmpty()) {
        *error = u"the server file %1 is incomplete"_s.arg(path);
        return std::nullopt;
    }
    return server;
}

std::optional<IntegrationFront> IntegrationFront::load(QString *error)
{
    QString path;
    const std::optional<QJsonObject> file
        = fixtureFile(EnvironmentVariable, "integration_front_start", &path, error);
    if (!file)
        return std::nullopt;
    const QJsonObject &root = *file;
    IntegrationFront front;
    front.m_url = QUrl(root.value("url"_L1).toString());
    front.m_accessLog = root.value("accessLog"_L1).toString();
    if (!front.m_url.isValid() || front.m_url.isEmpty() || front.m_accessLog.isEmpty()) {
        *error = u"the front file %1 is incomplete"_s.arg(path);
        return std::nullopt;
    }
    return front;
}

qint64 IntegrationFront::logSize() const
{
    return QFileInfo(m_accessLog).size();
}

QList<IntegrationFront::Logged> IntegrationFront::loggedSince(qint64 offset) const
{
    QList<Logged> logged;
    QFile file(m_accessLog);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return logged;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4)
            logged.append({fields[0], fields[1], fields[2].toInt(), fields[3].toLongLong()});
    }
    return logged;
}

ServerConfig IntegrationServer::config(int account) const
{
    const Account &chosen = m_accounts.at(account);
    return ServerConfig {m_url, chosen.username, chosen.password};
}

QString IntegrationServer::libraryFile(const Album &album, const Song &song) const
{
    // Characters other than letters, digits, spaces and dashes become "_" in file names.
    const auto safeName = [](QString text) {
        for (QChar &c : text) {
            if (!c.isLetterOrNumber() && c != u' ' && c != u'-')
                c = u'_';
        }
        return text.trimmed();
    };
    const QString name = u"%1-%2 %3.%4"_s.arg(song.discNumber.value_or(1))
                             .arg(song.track.value_or(1), 2, 10, QLatin1Char('0'))
                             .arg(safeName(song.title), song.suffix.value_or(QString()));
    return u"%1/%2/%3/%4"_s.arg(
        m_libraryPath, safeName(album.artist.value_or(QString())), safeName(album.name), name);
}

QList<Playlist> playlistsNamed(const SubsonicClient &client, const QString &name)
{
    QList<Playlist> found;
    const QList<Playlist> all = TestAwait::await(client.playlists());
    for (const Playlist &playlist : all) {
        if (playlist.name == name)
            found.append(playlist);
    }
    return found;
}

void deletePlaylistsNamed(const SubsonicClient &client, const QStringList &names)
{
    const QList<Playlist> all = TestAwait::await(client.playlists());
    for (const Playlist &playlist : all) {
        if (names.contains(playlist.name))
            TestAwait::await(client.deletePlaylist(playlist.id));
    }
}

QString createPlaylistNamed(const SubsonicClient &client, const QString &name)
{
    TestAwait::await(client.createPlaylist(name));
    const QList<Playlist> made = playlistsNamed(client, name);
    return made.isEmpty() ? QString() : made.last().id;
}

QHash<QString, Album> albumsByName(const SubsonicClient &client)
{
    QHash<QString, Album> albums;
    const QList<Album> listed = TestAwait::await(client.albums(AlbumListType::AlphabeticalByName, 50, 0));
    for (const Album &album : listed) {
        const Album full = TestAwait::await(client.album(album.id));
        albums.insert(full.name, full);
    }
    return albums;
}
