#include "DownloadStore.h"

#include <QCoroNetworkReply>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

#include <unistd.h>

#include "Downloads/ArtworkFetcher.h"
#include "Networking/UrlSession.h"
#include "SaturatingAdd.h"
#include "Support/Async.h"

using namespace Qt::StringLiterals;

namespace {

const QString AlbumPrefix = u"album:"_s;
const QString PlaylistPrefix = u"playlist:"_s;
const QString ManifestName = u"manifest.json"_s;
const QString ArtworkName = u"artwork"_s;
// In-flight downloads: the leading dot keeps them from ever looking like a
// song's file ("<sha>." + suffix) to the lookup that lists the folder.
const QString PartialTemplate = u".partial-XXXXXX"_s;

QString downloadsRoot()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(u"Lirna/Downloads"_s);
}

// The text that names an account: user name, "@", the server URL's absolute text.
QString accountKey(const ServerConfig &config)
{
    return config.accountKey();
}

// A suffix from the server or from the manifest becomes part of a file name:
// only a short run of ASCII letters and digits, so that nothing can leave the
// folder and the name stays within the file system's limit.
constexpr qsizetype MaxSuffixLength = 16;

bool isPlainSuffix(const QString &suffix)
{
    if (suffix.size() > MaxSuffixLength)
        return false;
    return std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

void removeItem(const QFileInfo &info)
{
    if (info.isDir() && !info.isSymLink())
        QDir(info.absoluteFilePath()).removeRecursively();
    else
        QFile::remove(info.absoluteFilePath());
}

// Some servers answer a failed download or cover with HTTP 200 and their
// JSON or XML error envelope; kept, it would pass for the song or the cover.
bool isErrorEnvelope(const QString &contentType, const QByteArray &head)
{
    const QString type = contentType.section(u';', 0, 0).trimmed().toLower();
    if (type == u"application/json"_s || type == u"text/json"_s || type == u"text/xml"_s
        || type == u"application/xml"_s)
        return true;
    const QByteArray start = head.trimmed().left(64);
    return start.startsWith("{") || start.startsWith("<?xml") || start.startsWith("<subsonic-response");
}

bool isSuccess(const std::optional<int> &status)
{
    return status && *status >= 200 && *status <= 299;
}

} // namespace

DownloadStore::DownloadStore(SubsonicClient client, QObject *parent)
    : QObject(parent)
    , m_client(std::move(client))
    , m_directory(directory(m_client.config()))
    , m_writer(QDir(m_directory).filePath(ManifestName))
{
    QDir().mkpath(artworkDirectory());
    // At once rather than queued: the session may replace this store before a
    // queued call ran, and must not find the old account's folder set later.
    ArtworkFetcher::shared()->setOfflineDirectory(artworkDirectory());

    const QString manifestPath = m_writer.path();
    QFile file(manifestPath);
    const bool opened = file.open(QIODevice::ReadOnly);
    const QByteArray data = opened ? file.readAll() : QByteArray();
    if (opened && file.error() == QFileDevice::NoError) {
        std::optional<DownloadManifest> stored = DownloadManifest::fromJson(data);
        if (stored)
            m_manifest = std::move(*stored);
        else
            m_manifestUnreadable = true;
    } else if (QFileInfo::exists(manifestPath)) {
        // Something that is there but cannot be read (no permission, a
        // folder, a read error) may still list every download: nothing is
        // deleted for it, and it is not written over.
        m_manifestUnreadable = true;
        m_keepStoredManifest = true;
    }

    m_artworkTask = TaskHandle::create();
    Async::startQueued(this, [this, handle = m_artworkTask] { runStartupArtwork(handle); });
}

DownloadStore::~DownloadStore()
{
    stopTasks();
}

// Cancelling aborts a run's request, which resumes the run at once, inside
// this call: the table is emptied first so that the run finds nothing to drop.
QStringList DownloadStore::stopTasks()
{
    const QHash<QString, TaskHandle> tasks = std::exchange(m_tasks, {});
    TaskHandle artwork = std::exchange(m_artworkTask, TaskHandle());
    for (TaskHandle handle : tasks)
        handle.cancel();
    artwork.cancel();
    return tasks.keys();
}

QString DownloadStore::directory(const ServerConfig &config)
{
    return QDir(downloadsRoot()).filePath(ArtworkFetcher::offlineFileName(accountKey(config)));
}

QString DownloadStore::songFileName(const QString &songId, const QString &suffix)
{
    if (!isPlainSuffix(suffix))
        return {};
    const QString base = ArtworkFetcher::offlineFileName(songId);
    return suffix.isEmpty() ? base : base + u'.' + suffix;
}

std::optional<QUrl> DownloadStore::localFileURL(const Song &song, const ServerConfig &config)
{
    const QDir folder(directory(config));
    const QString base = ArtworkFetcher::offlineFileName(song.id);
    if (song.suffix && !song.suffix->isEmpty()) {
        const QString name = songFileName(song.id, *song.suffix);
        if (!name.isEmpty() && QFileInfo(folder.filePath(name)).isFile())
            return QUrl::fromLocalFile(folder.filePath(name));
    }
    // The file may lie under the "audio" fallback or under a suffix the server
    // has changed since.
    const QString prefix = base + u'.';
    QDirIterator it(folder.path(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name == base || name.startsWith(prefix))
            return QUrl::fromLocalFile(it.filePath());
    }
    return std::nullopt;
}

QString DownloadStore::songPath(const QString &songId, const QString &suffix) const
{
    const QString name = songFileName(songId, suffix);
    return name.isEmpty() ? QString() : QDir(m_directory).filePath(name);
}

QString DownloadStore::artworkDirectory() const
{
    return QDir(m_directory).filePath(ArtworkName);
}

// Observation

void DownloadStore::bumpRevision()
{
    ++m_revision;
    Q_EMIT revisionChanged();
}

void DownloadStore::setManifest(DownloadManifest manifest)
{
    if (manifest == m_manifest)
        return;
    m_manifest = std::move(manifest);
    noteManifestChanged();
}

void DownloadStore::noteManifestChanged()
{
    Q_EMIT manifestChanged();
    bumpRevision();
}

void DownloadStore::setActive(const QString &owner, std::optional<DownloadProgress> progress)
{
    auto it = m_active.find(owner);
    if (!progress) {
        if (it == m_active.end())
            return;
        m_active.erase(it);
    } else {
        if (it != m_active.end() && *it == *progress)
            return;
        m_active.insert(owner, *progress);
    }
    Q_EMIT activeChanged();
    bumpRevision();
}

// Queries

std::optional<DownloadProgress> DownloadStore::progressAlbumId(const QString &albumId) const
{
    auto it = m_active.constFind(AlbumPrefix + albumId);
    return it == m_active.constEnd() ? std::nullopt : std::optional(*it);
}

std::optional<DownloadProgress> DownloadStore::progressPlaylistId(const QString &playlistId) const
{
    auto it = m_active.constFind(PlaylistPrefix + playlistId);
    return it == m_active.constEnd() ? std::nullopt : std::optional(*it);
}

QVariant DownloadStore::albumProgress(const QString &albumId) const
{
    const auto progress = progressAlbumId(albumId);
    return progress ? QVariant::fromValue(*progress) : QVariant();
}

QVariant DownloadStore::playlistProgress(const QString &playlistId) const
{
    const auto progress = progressPlaylistId(playlistId);
    return progress ? QVariant::fromValue(*progress) : QVariant();
}

CollectionDownloadState DownloadStore::stateAlbumId(const QString &albumId, const QStringList &songIds) const
{
    return state(AlbumPrefix + albumId, songIds);
}

CollectionDownloadState DownloadStore::statePlaylistId(
    const QString &playlistId, const QStringList &songIds) const
{
    return state(PlaylistPrefix + playlistId, songIds);
}

CollectionDownloadState DownloadStore::state(const QString &owner, const QStringList &songIds) const
{
    const bool recorded = m_manifest.isDownloaded(owner);
    const int total = int(songIds.size());
    if (total == 0)
        return recorded ? CollectionDownloadState::complete() : CollectionDownloadState::none();
    int downloaded = 0;
    for (const QString &id : songIds) {
        auto it = m_manifest.songs.constFind(id);
        if (it != m_manifest.songs.constEnd() && it->owners.contains(owner))
            ++downloaded;
    }
    if (downloaded == total)
        return CollectionDownloadState::complete();
    if (downloaded == 0 && !recorded)
        return CollectionDownloadState::none();
    return CollectionDownloadState::partial(downloaded, total);
}

std::optional<Album> DownloadStore::localAlbum(const QString &id) const
{
    const QString owner = AlbumPrefix + id;
    const QList<Song> songs = m_manifest.songsOwnedBy(owner);
    if (songs.isEmpty())
        return std::nullopt;
    const Song &first = songs.first();
    Album album;
    album.id = id;
    if (first.album)
        album.name = *first.album;
    else if (auto it = m_manifest.collections.constFind(owner); it != m_manifest.collections.constEnd())
        album.name = it->name;
    album.artist = first.artist;
    album.artistId = first.artistId;
    album.coverArt = first.coverArt;
    album.year = first.year;
    album.songCount = songs.size();
    qint64 duration = 0;
    for (const Song &song : songs)
        duration = saturatingAdd(duration, song.duration.value_or(0));
    album.duration = duration;
    album.song = songs;
    return album;
}

std::optional<PlaylistDetail> DownloadStore::localPlaylist(const QString &id) const
{
    const QString owner = PlaylistPrefix + id;
    const QList<Song> songs = m_manifest.songsOwnedBy(owner);
    if (songs.isEmpty())
        return std::nullopt;
    PlaylistDetail playlist;
    playlist.id = id;
    if (auto it = m_manifest.collections.constFind(owner); it != m_manifest.collections.constEnd())
        playlist.name = it->name;
    playlist.songCount = songs.size();
    qint64 duration = 0;
    for (const Song &song : songs)
        duration = saturatingAdd(duration, song.duration.value_or(0));
    playlist.duration = duration;
    playlist.coverArt = songs.first().coverArt;
    playlist.entry = songs;
    return playlist;
}

QList<DownloadCollection> DownloadStore::downloadedCollections() const
{
    QList<std::pair<qint64, DownloadCollection>> sized;
    for (const DownloadCollection &collection : m_manifest.collections)
        sized.append({m_manifest.bytes(collection.key), collection});
    std::stable_sort(
        sized.begin(), sized.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<DownloadCollection> result;
    result.reserve(sized.size());
    for (auto &[bytes, collection] : sized)
        result.append(std::move(collection));
    return result;
}

QVariantList DownloadStore::downloadedCollectionList() const
{
    QVariantList list;
    for (const DownloadCollection &collection : downloadedCollections())
        list.append(QVariant::fromValue(collection));
    return list;
}

// Runs

void DownloadStore::downloadAlbum(const Album &album)
{
    const QString owner = AlbumPrefix + album.id;
    if (m_tasks.contains(owner))
        return;
    const TaskHandle handle = TaskHandle::create();
    m_tasks.insert(owner, handle);
    Async::startQueued(this, [this, album, owner, handle] { runAlbumDownload(album, owner, handle); });
}

void DownloadStore::downloadPlaylist(const QString &id, const QString &name)
{
    const QString owner = PlaylistPrefix + id;
    if (m_tasks.contains(owner))
        return;
    const TaskHandle handle = TaskHandle::create();
    m_tasks.insert(owner, handle);
    Async::startQueued(
        this, [this, id, name, owner, handle] { runPlaylistDownload(id, name, owner, handle); });
}

void DownloadStore::endRun(const QString &owner, const TaskHandle &handle)
{
    auto it = m_tasks.find(owner);
    if (it != m_tasks.end() && *it == handle)
        m_tasks.erase(it);
}

// A cancelled run ends without touching the store: whoever cancelled it
// (a removal, removeAll, cancelAll) has already put the store in order.
QCoro::Task<> DownloadStore::runAlbumDownload(Album album, QString owner, TaskHandle handle)
{
    if (handle.isCancelled())
        co_return;
    QPointer<DownloadStore> self(this);
    std::optional<Album> fetched;
    try {
        Album answer = co_await m_client.album(album.id, handle);
        fetched = std::move(answer);
    } catch (...) { }
    if (!self || handle.isCancelled())
        co_return;
    if (!fetched) {
        setActive(owner, DownloadProgress {0, 0, true});
        endRun(owner, handle);
        co_return;
    }
    DownloadCollection collection {owner, album.name, album.artist};
    co_await downloadSongs(fetched->song.value_or(QList<Song>()), owner, std::move(collection), handle);
    if (self)
        endRun(owner, handle);
}

QCoro::Task<> DownloadStore::runPlaylistDownload(QString id, QString name, QString owner, TaskHandle handle)
{
    if (handle.isCancelled())
        co_return;
    QPointer<DownloadStore> self(this);
    std::optional<QList<Song>> songs;
    try {
        PlaylistDetail answer = co_await m_client.playlist(id, handle);
        songs = answer.entry.value_or(QList<Song>());
    } catch (...) { }
    if (!self || handle.isCancelled())
        co_return;
    if (!songs) {
        setActive(owner, DownloadProgress {0, 0, true});
        endRun(owner, handle);
        co_return;
    }
    DownloadCollection collection {owner, name, u"Playlist"_s};
    co_await downloadSongs(std::move(*songs), owner, std::move(collection), handle);
    if (self)
        endRun(owner, handle);
}

// The manifest is changed in place, one entry per song: a copy of it per
// song would cost time growing with everything downloaded so far.
QCoro::Task<> DownloadStore::downloadSongs(
    QList<Song> songs, QString owner, DownloadCollection collection, TaskHandle handle)
{
    QPointer<DownloadStore> self(this);
    setActive(owner, DownloadProgress {int(songs.size()), 0, false});

    for (qsizetype i = 0; i < songs.size(); ++i) {
        if (!self || handle.isCancelled())
            co_return;
        const Song song = songs.at(i);

        const auto known = m_manifest.songs.constFind(song.id);
        const bool onDisk = known != m_manifest.songs.constEnd()
            && !songPath(song.id, known->suffix).isEmpty()
            && QFileInfo::exists(songPath(song.id, known->suffix));
        if (onDisk) {
            if (!known->owners.contains(owner)) {
                m_manifest.songs[song.id].owners.insert(owner);
                noteManifestChanged();
            }
        } else {
            std::optional<StoredFile> stored = co_await downloadFile(song, handle);
            if (!self)
                co_return;
            if (!stored) {
                if (handle.isCancelled())
                    co_return;
                if (auto progress = m_active.constFind(owner); progress != m_active.constEnd()) {
                    DownloadProgress failed = *progress;
                    failed.failed = true;
                    setActive(owner, failed);
                }
                save();
                endRun(owner, handle);
                co_return;
            }
            // The manifest may have changed while the file came in.
            const bool hasEntry = m_manifest.songs.contains(song.id);
            // Stopped meanwhile: whoever stopped the run has set the store in
            // order (and may have handed the folder to a new store), so write
            // nothing; only a file that no entry claims is taken away again.
            if (handle.isCancelled()) {
                if (!hasEntry)
                    QFile::remove(songPath(song.id, stored->suffix));
                co_return;
            }
            if (!hasEntry) {
                m_manifest.songs.insert(
                    song.id, DownloadedSong {song, stored->suffix, stored->bytes, {owner}});
                noteManifestChanged();
            } else {
                DownloadedSong &entry = m_manifest.songs[song.id];
                // The entry's old file is gone (that is why the song came
                // again): record the file that is there now, and let no file
                // under an older suffix linger as an orphan.
                if (entry.suffix != stored->suffix) {
                    const QString old = songPath(song.id, entry.suffix);
                    if (!old.isEmpty())
                        QFile::remove(old);
                }
                const bool changed = entry.suffix != stored->suffix || entry.bytes != stored->bytes
                    || !entry.owners.contains(owner);
                entry.suffix = stored->suffix;
                entry.bytes = stored->bytes;
                entry.owners.insert(owner);
                if (changed)
                    noteManifestChanged();
            }
        }
        if (auto progress = m_active.constFind(owner); progress != m_active.constEnd()) {
            DownloadProgress next = *progress;
            next.completed += 1;
            setActive(owner, next);
        }
        save();
    }

    const auto recorded = m_manifest.collections.constFind(owner);
    if (recorded == m_manifest.collections.constEnd() || *recorded != collection) {
        m_manifest.collections.insert(owner, collection);
        noteManifestChanged();
    }
    save();
    setActive(owner, std::nullopt);
    co_await downloadArtwork(std::move(songs), handle);
}

QCoro::Task<std::optional<DownloadStore::StoredFile>> DownloadStore::downloadFile(
    Song song, TaskHandle handle)
{
    const QUrl url = m_client.url(u"download"_s, {{u"id"_s, song.id}});
    QString suffix = song.suffix.value_or(QString());
    if (suffix.isEmpty() || !isPlainSuffix(suffix))
        suffix = u"audio"_s;
    const QString destination = songPath(song.id, suffix);
    UrlSession *session = m_client.session();
    if (!session || handle.isCancelled())
        co_return std::nullopt;

    QDir().mkpath(m_directory);
    auto temp = std::make_shared<QTemporaryFile>(QDir(m_directory).filePath(PartialTemplate));
    if (!temp->open())
        co_return std::nullopt;

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        session->get(url), [](QNetworkReply *r) { r->deleteLater(); });
    auto writeFailed = std::make_shared<bool>(false);
    QNetworkReply *raw = reply.get();
    // The body goes to disk as it arrives, never whole into memory.
    const auto connection = QObject::connect(raw, &QIODevice::readyRead, raw, [raw, temp, writeFailed] {
        const QByteArray chunk = raw->readAll();
        if (!*writeFailed && temp->write(chunk) != chunk.size())
            *writeFailed = true;
    });
    handle.track(raw);
    co_await qCoro(raw).waitForFinished(std::chrono::milliseconds(-1));
    handle.untrack(raw);
    QObject::disconnect(connection);

    if (handle.isCancelled())
        co_return std::nullopt;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || !isSuccess(status.toInt()))
        co_return std::nullopt;
    // A transfer that broke off after a good status is no file.
    if (raw->error() != QNetworkReply::NoError)
        co_return std::nullopt;
    const QByteArray rest = raw->readAll();
    if (*writeFailed || temp->write(rest) != rest.size() || !temp->flush())
        co_return std::nullopt;
    temp->seek(0);
    if (isErrorEnvelope(raw->header(QNetworkRequest::ContentTypeHeader).toString(), temp->peek(64)))
        co_return std::nullopt;
    temp->seek(temp->size());
    ::fsync(temp->handle());
    const qint64 bytes = temp->size();
    temp->close();

    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temp->fileName()).toStdString(),
        QFile::encodeName(destination).toStdString(), error);
    if (error)
        co_return std::nullopt;
    temp->setAutoRemove(false);
    co_return StoredFile {suffix, bytes};
}

QCoro::Task<> DownloadStore::downloadArtwork(QList<Song> songs, TaskHandle handle)
{
    QPointer<DownloadStore> self(this);
    const QDir folder(artworkDirectory());
    QDir().mkpath(folder.path());
    const SubsonicClient client = m_client;
    UrlSession *session = client.session();
    if (!session)
        co_return;
    QSet<QString> seen;
    for (qsizetype i = 0; i < songs.size(); ++i) {
        if (handle.isCancelled())
            co_return;
        const std::optional<QString> cover = songs.at(i).coverArt;
        if (!cover || seen.contains(*cover))
            continue;
        seen.insert(*cover);
        const QString file = folder.filePath(ArtworkFetcher::offlineFileName(*cover));
        if (QFileInfo::exists(file))
            continue;
        HttpResponse response;
        try {
            response = co_await session->data(
                client.coverArtURL(*cover, 1024), handle, UrlSession::Body::Cover);
        } catch (...) {
            continue;
        }
        // A removal has already pruned the covers: write nothing more.
        if (!self || handle.isCancelled())
            co_return;
        if (!isSuccess(response.status) || isErrorEnvelope(QString(), response.body.left(64)))
            continue;
        // The songs may have been removed while the cover came in (the
        // start-up walk is not stopped by a removal): keep no orphan.
        if (!self->usesCover(*cover))
            continue;
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly) && out.write(response.body) == response.body.size())
            out.commit();
    }
}

QCoro::Task<> DownloadStore::runStartupArtwork(TaskHandle handle)
{
    if (handle.isCancelled())
        co_return;
    QPointer<DownloadStore> self(this);
    QList<Song> songs;
    for (const DownloadedSong &entry : std::as_const(m_manifest.songs))
        songs.append(entry.song);
    co_await downloadArtwork(std::move(songs), handle);
    if (self && m_artworkTask == handle)
        m_artworkTask = TaskHandle();
}

// Removal

void DownloadStore::removeDownloadAlbumId(const QString &albumId)
{
    removeDownload(AlbumPrefix + albumId);
}

void DownloadStore::removeDownloadPlaylistId(const QString &playlistId)
{
    removeDownload(PlaylistPrefix + playlistId);
}

void DownloadStore::removeDownloadKey(const QString &key)
{
    removeDownload(key);
}

void DownloadStore::removeDownload(const QString &owner)
{
    // Whatever phase a run is in (fetching the list, the songs, the covers),
    // stop it and remove what it brought; it then ends without a word.
    TaskHandle handle = m_tasks.take(owner);
    handle.cancel();
    purge(owner);
}

void DownloadStore::purge(const QString &owner)
{
    DownloadManifest manifest = m_manifest;
    const QList<DownloadManifest::RemovedSong> removed = manifest.remove(owner);
    for (const DownloadManifest::RemovedSong &song : removed) {
        const QString path = songPath(song.id, song.suffix);
        if (!path.isEmpty())
            QFile::remove(path);
    }
    setManifest(std::move(manifest));
    setActive(owner, std::nullopt);
    save();
    pruneArtwork();
}

bool DownloadStore::usesCover(const QString &coverArt) const
{
    return std::any_of(m_manifest.songs.cbegin(), m_manifest.songs.cend(),
        [&coverArt](const DownloadedSong &entry) { return entry.song.coverArt == coverArt; });
}

void DownloadStore::pruneArtwork()
{
    // Covers listed by a manifest that could not be read are not known here.
    if (m_manifestUnreadable)
        return;
    QSet<QString> keep;
    for (const DownloadedSong &entry : std::as_const(m_manifest.songs)) {
        if (entry.song.coverArt)
            keep.insert(ArtworkFetcher::offlineFileName(*entry.song.coverArt));
    }
    const QDir folder(artworkDirectory());
    if (!folder.exists())
        return;
    const QFileInfoList items
        = folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &item : items) {
        if (!keep.contains(item.fileName()))
            removeItem(item);
    }
}

void DownloadStore::removeAll()
{
    stopTasks();
    if (!m_active.isEmpty()) {
        m_active.clear();
        Q_EMIT activeChanged();
        bumpRevision();
    }
    setManifest(DownloadManifest());
    m_manifestUnreadable = false;
    m_keepStoredManifest = false;
    // No older write may land after the folder is emptied.
    save();
    m_writer.flush();

    const QDir folder(m_directory);
    if (folder.exists()) {
        const QFileInfoList items
            = folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &item : items)
            removeItem(item);
    }
    save();
    m_writer.flush();
    pruneArtwork();
}

void DownloadStore::cancelAll()
{
    const QStringList owners = stopTasks();
    // A store made next for the account reads the file: it must be whole.
    m_writer.flush();
    // A stopped run is no longer going; a failed one keeps its mark.
    for (const QString &owner : owners) {
        auto it = m_active.constFind(owner);
        if (it != m_active.constEnd() && !it->failed)
            setActive(owner, std::nullopt);
    }
}

// Hands a snapshot to the writer: no copy and no encoding here, on the GUI
// thread. A failed write is not reported and leaves the previous file.
void DownloadStore::save()
{
    if (m_keepStoredManifest)
        return;
    m_writer.save(m_manifest);
}
