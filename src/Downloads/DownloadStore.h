#pragma once

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>

#include <optional>

#include "CollectionDownloadState.h"
#include "DownloadManifest.h"
#include "DownloadProgress.h"
#include "ManifestWriter.h"
#include "Models/Album.h"
#include "Models/PlaylistDetail.h"
#include "Networking/ServerConfig.h"
#include "Networking/SubsonicClient.h"
#include "Support/TaskHandle.h"

// The offline downloads of one server account: whole albums and playlists kept
// on disk with their covers, and the manifest that says which songs lie there
// and which collections claim them. One store per signed-in client; it lives
// on the GUI thread, and its runs are coroutines there, one song at a time.
//
// The account folder holds "manifest.json" (rewritten atomically after every
// change, on a worker thread; the manifest in memory is the one that counts),
// one audio file per song named offlineFileName(song id) + "." +
// suffix, and an "artwork" folder of covers fetched at 1024 pixels.
class DownloadStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 totalBytes READ totalBytes NOTIFY manifestChanged)
    Q_PROPERTY(QVariantList downloadedCollections READ downloadedCollectionList NOTIFY manifestChanged)
    // Bumps on every change of the manifest or of the runs' progress, so that
    // a binding that asks the invokable queries below re-reads them.
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)

public:
    explicit DownloadStore(SubsonicClient client, QObject *parent = nullptr);
    // Stops every run: a store that is gone must not write the manifest.
    ~DownloadStore() override;

    // The account folder of a configuration (no file access).
    static QString directory(const ServerConfig &config);
    // The downloaded audio file of a song in that account's folder, or none.
    static std::optional<QUrl> localFileURL(const Song &song, const ServerConfig &config);
    // The file name of a song stored under `suffix` ("" when the suffix is
    // empty). Empty for a suffix that is not a plain name part.
    static QString songFileName(const QString &songId, const QString &suffix);

    const SubsonicClient &client() const { return m_client; }
    QString directory() const { return m_directory; }
    const DownloadManifest &manifest() const { return m_manifest; }
    const QHash<QString, DownloadProgress> &active() const { return m_active; }

    // Start a collection's run unless one is going; return at once.
    Q_INVOKABLE void downloadAlbum(const Album &album);
    Q_INVOKABLE void downloadPlaylist(const QString &id, const QString &name);

    // The progress of a running run, or of one that stopped on a failure.
    std::optional<DownloadProgress> progressAlbumId(const QString &albumId) const;
    std::optional<DownloadProgress> progressPlaylistId(const QString &playlistId) const;
    // The same for QML: a DownloadProgress, or undefined.
    Q_INVOKABLE QVariant albumProgress(const QString &albumId) const;
    Q_INVOKABLE QVariant playlistProgress(const QString &playlistId) const;

    Q_INVOKABLE CollectionDownloadState stateAlbumId(
        const QString &albumId, const QStringList &songIds) const;
    Q_INVOKABLE CollectionDownloadState statePlaylistId(
        const QString &playlistId, const QStringList &songIds) const;

    // A downloaded collection rebuilt from the manifest, or none.
    std::optional<Album> localAlbum(const QString &id) const;
    std::optional<PlaylistDetail> localPlaylist(const QString &id) const;

    // Every collection record, largest on disk first.
    QList<DownloadCollection> downloadedCollections() const;
    qint64 totalBytes() const { return m_manifest.totalBytes(); }

    Q_INVOKABLE void removeDownloadAlbumId(const QString &albumId);
    Q_INVOKABLE void removeDownloadPlaylistId(const QString &playlistId);
    // `key` is a DownloadCollection's key.
    Q_INVOKABLE void removeDownloadKey(const QString &key);
    // Forgets and deletes every download of the account.
    Q_INVOKABLE void removeAll();

    // Stops every run and the cover download without touching what is on
    // disk: the songs a stopped run already fetched stay, as after a failure.
    // Called before the store is replaced, so that two stores never write one
    // account's manifest.
    void cancelAll();

    // Whether any run, the start-up cover download or a write of the
    // manifest is going.
    bool isBusy() const { return !m_tasks.isEmpty() || !m_artworkTask.isNull() || m_writer.isBusy(); }

    int revision() const { return m_revision; }

Q_SIGNALS:
    void manifestChanged();
    void activeChanged();
    void revisionChanged();

private:
    CollectionDownloadState state(const QString &owner, const QStringList &songIds) const;
    void removeDownload(const QString &owner);
    QStringList stopTasks();
    void purge(const QString &owner);
    void pruneArtwork();
    bool usesCover(const QString &coverArt) const;
    // Tells, once written, whether the manifest is on the disk as it is now.
    QFuture<bool> save();

    QCoro::Task<> runAlbumDownload(Album album, QString owner, TaskHandle handle);
    QCoro::Task<> runPlaylistDownload(QString id, QString name, QString owner, TaskHandle handle);
    QCoro::Task<> downloadSongs(
        QList<Song> songs, QString owner, DownloadCollection collection, TaskHandle handle);
    struct StoredFile
    {
        QString suffix;
        qint64 bytes = 0;
    };
    QCoro::Task<std::optional<StoredFile>> downloadFile(Song song, TaskHandle handle);
    QCoro::Task<> downloadArtwork(QList<Song> songs, TaskHandle handle);
    QCoro::Task<> runStartupArtwork(TaskHandle handle);
    void endRun(const QString &owner, const TaskHandle &handle);
    void markFailed(const QString &owner);
    void dropOwner(const QString &songId, const QString &owner);

    void setManifest(DownloadManifest manifest);
    // For changes made to `m_manifest` in place.
    void noteManifestChanged();
    void setActive(const QString &owner, std::optional<DownloadProgress> progress);
    void bumpRevision();

    QString songPath(const QString &songId, const QString &suffix) const;
    QString artworkDirectory() const;

    QVariantList downloadedCollectionList() const;

    SubsonicClient m_client;
    QString m_directory;
    DownloadManifest m_manifest;
    ManifestWriter m_writer;
    QHash<QString, DownloadProgress> m_active;
    QHash<QString, TaskHandle> m_tasks;
    TaskHandle m_artworkTask;
    // The manifest on disk could not be read: the covers it listed are not
    // known, so none is pruned for it.
    bool m_manifestUnreadable = false;
    // The manifest on disk is there but could not be read at all, so it may
    // still be whole: it is not replaced (removeAll() deletes it on purpose).
    bool m_keepStoredManifest = false;
    int m_revision = 0;
};
