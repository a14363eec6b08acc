#include "DownloadStore.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

#include <unistd.h>

#include "DownloadStoreNaming.h"
#include "Downloads/ArtworkFetcher.h"
#include "Networking/UrlSession.h"
#include "Support/Async.h"
#include "Support/AtomicFile.h"

// The download store's runs: an album's or a playlist's songs fetched one by
// one into the folder and the manifest, and the covers they use.

using namespace Qt::StringLiterals;
using namespace DownloadStoreNaming;

namespace {

QString mediaType(const QString &contentType)
{
    return contentType.section(u';', 0, 0).trimmed().toLower();
}

// Text, a web page, JSON or XML is what a server, a proxy or the login page
// of a hotel network sends in place of a file. Anything else may be the song:
// servers that name a file by its bytes answer with application/ogg, video/mp4
// for an M4A, video/webm or application/x-flac, and some name no type at all.
bool isDocumentType(const QString &contentType)
{
    const QString type = mediaType(contentType);
    return type.startsWith(u"text/"_s) || type == u"application/json"_s || type == u"application/xml"_s
        || type.endsWith(u"+json"_s) || type.endsWith(u"+xml"_s);
}

// Some servers answer a failed download or cover with HTTP 200 and their
// JSON or XML error envelope, or a web page, under whatever type; kept, it
// would pass for the song or the cover.
bool isErrorEnvelope(const QString &contentType, const QByteArray &head)
{
    if (isDocumentType(contentType))
        return true;
    const QByteArray start = head.trimmed().left(64).toLower();
    return start.startsWith("{") || start.startsWith("<?xml") || start.startsWith("<subsonic-response")
        || start.startsWith("<!doctype html") || start.startsWith("<html");
}

// The body is whole when it has the announced length. A length announced
// for a compressed body counts the compressed bytes, not the ones stored.
bool hasAnnouncedLength(const QNetworkReply &reply, qint64 bytes)
{
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!length.isValid() || !(encoding.isEmpty() || encoding == "identity"))
        return true;
    return length.toLongLong() == bytes;
}

bool isSuccess(const std::optional<int> &status)
{
    return status && *status >= 200 && *status <= 299;
}

} // namespace

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
        // What this song's step did to the manifest, to be taken back when
        // the manifest cannot be saved.
        bool changed = false;
        bool ownerAdded = false;

        const auto known = m_manifest.songs.constFind(song.id);
        const bool onDisk = known != m_manifest.songs.constEnd()
            && !songPath(song.id, known->suffix).isEmpty()
            && QFileInfo::exists(songPath(song.id, known->suffix));
        if (onDisk) {
            if (!known->owners.contains(owner)) {
                m_manifest.songs[song.id].owners.insert(owner);
                changed = ownerAdded = true;
            }
        } else {
            std::optional<StoredFile> stored = co_await downloadFile(song, handle);
            if (!self)
                co_return;
            if (!stored) {
                if (handle.isCancelled())
                    co_return;
                markFailed(owner);
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
                changed = ownerAdded = true;
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
                ownerAdded = !entry.owners.contains(owner);
                changed = ownerAdded || entry.suffix != stored->suffix || entry.bytes != stored->bytes;
                entry.suffix = stored->suffix;
                entry.bytes = stored->bytes;
                entry.owners.insert(owner);
            }
        }
        if (changed) {
            noteManifestChanged();
            // The song counts as done only once the file on the disk lists
            // it: one the next start would not know of is a file nobody
            // counts or removes.
            const bool saved = co_await save();
            if (!self)
                co_return;
            // Taken back even when the run was stopped meanwhile: the store
            // made next reads the file, which does not list the song.
            if (!saved && ownerAdded)
                dropOwner(song.id, owner);
            if (handle.isCancelled())
                co_return;
            if (!saved) {
                markFailed(owner);
                save();
                endRun(owner, handle);
                co_return;
            }
        } else {
            save();
        }
        if (auto progress = m_active.constFind(owner); progress != m_active.constEnd()) {
            DownloadProgress next = *progress;
            next.completed += 1;
            setActive(owner, next);
        }
    }

    const std::optional<DownloadCollection> recorded = m_manifest.collections.contains(owner)
        ? std::optional(m_manifest.collections.value(owner))
        : std::nullopt;
    if (recorded != collection) {
        m_manifest.collections.insert(owner, collection);
        noteManifestChanged();
        // Shown as downloaded only once the file on the disk says so.
        const bool saved = co_await save();
        if (!self || handle.isCancelled())
            co_return;
        if (!saved) {
            if (m_manifest.collections.value(owner) == collection) {
                if (recorded)
                    m_manifest.collections.insert(owner, *recorded);
                else
                    m_manifest.collections.remove(owner);
                noteManifestChanged();
            }
            markFailed(owner);
            save();
            co_return;
        }
    } else {
        save();
    }
    setActive(owner, std::nullopt);
    co_await downloadArtwork(std::move(songs), handle);
}

void DownloadStore::markFailed(const QString &owner)
{
    if (auto progress = m_active.constFind(owner); progress != m_active.constEnd()) {
        DownloadProgress failed = *progress;
        failed.failed = true;
        setActive(owner, failed);
    }
}

// A song that no collection claims any more goes with its file.
void DownloadStore::dropOwner(const QString &songId, const QString &owner)
{
    auto entry = m_manifest.songs.find(songId);
    if (entry == m_manifest.songs.end() || !entry->owners.remove(owner))
        return;
    if (entry->owners.isEmpty()) {
        const QString path = songPath(songId, entry->suffix);
        m_manifest.songs.erase(entry);
        if (!path.isEmpty())
            QFile::remove(path);
    }
    noteManifestChanged();
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
    const QString contentType = raw->header(QNetworkRequest::ContentTypeHeader).toString();
    const qint64 bytes = temp->size();
    if (bytes <= 0 || !hasAnnouncedLength(*raw, bytes))
        co_return std::nullopt;
    temp->seek(0);
    if (isErrorEnvelope(contentType, temp->peek(64)))
        co_return std::nullopt;
    temp->seek(bytes);
    // The file goes in place only once it is on the disk.
    if (::fsync(temp->handle()) != 0)
        co_return std::nullopt;
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
        // An empty file is what a full disk left under an older build: it
        // is fetched again rather than kept in place of the cover.
        if (const QFileInfo stored(file); stored.exists() && (!stored.isFile() || stored.size() > 0))
            continue;
        HttpResponse response;
        try {
            response
                = co_await session->data(client.coverArtURL(*cover, 1024), handle, UrlSession::Body::Cover);
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
        AtomicFile::write(file, response.body);
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
