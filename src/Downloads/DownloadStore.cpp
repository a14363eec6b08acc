#include "DownloadStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

#include "DownloadStoreNaming.h"
#include "Downloads/ArtworkFetcher.h"
#include "SaturatingAdd.h"
#include "Support/Async.h"

using namespace Qt::StringLiterals;
using namespace DownloadStoreNaming;

namespace {

const QString ManifestName = u"manifest.json"_s;
const QString ArtworkName = u"artwork"_s;

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

void removeItem(const QFileInfo &info)
{
    if (info.isDir() && !info.isSymLink())
        QDir(info.absoluteFilePath()).removeRecursively();
    else
        QFile::remove(info.absoluteFilePath());
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
    // Only a regular file is opened: opening a FIFO would wait for a writer
    // that never comes, with the window frozen.
    const QFileInfo onDisk(manifestPath);
    const bool opened = (!onDisk.exists() || onDisk.isFile()) && file.open(QIODevice::ReadOnly);
    const QByteArray data = opened ? file.readAll() : QByteArray();
    if (opened && file.error() == QFileDevice::NoError) {
        std::optional<DownloadManifest> stored = DownloadManifest::fromJson(data);
        if (stored)
            m_manifest = std::move(*stored);
        else
            m_manifestUnreadable = true;
    } else if (QFileInfo::exists(manifestPath)) {
        // Something that is there but cannot be read (no permission, a
        // folder, a FIFO, a read error) may still list every download:
        // nothing is deleted for it, and it is not written over.
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
// thread. A failed write leaves the previous file.
QFuture<bool> DownloadStore::save()
{
    // A file that is there but unreadable is left alone on purpose; the
    // manifest in memory is then the only one, and counts as saved.
    if (m_keepStoredManifest)
        return QtFuture::makeReadyFuture(true);
    return m_writer.save(m_manifest);
}
