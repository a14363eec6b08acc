#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

#include "Support/TaskHandle.h"

class UrlSession;

// The one loader of cover images. A request looks in turn in the memory cache
// (ArtworkStore), the disk cache, the signed-in account's offline artwork
// folder and finally on the server; concurrent requests for one cover at one
// size share one load. Bookkeeping lives on the GUI thread; reading files and
// decoding run on worker threads.
//
// Disk cache files are named offlineFileName(memory-cache key) and hold the
// bytes exactly as the server sent them; a file's modification time is its
// last use, and the cache is trimmed to DiskCacheLimit, oldest first, once
// when the fetcher is created.
//
// Destroying a fetcher cancels its loads: a transfer under way is aborted,
// a load still reading files never goes on to the server, and whoever waits
// on one gets a null image. The session must outlive the fetcher, not its
// loads.
class ArtworkFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int PixelBuckets[] = {64, 128, 256, 512, 1024};
    static constexpr qint64 DiskCacheLimit = 536'870'912; // 512 MiB

    // The fetcher of the whole run, created on first use on the GUI thread. Its
    // disk cache is "Lirna/Artwork" in the user's cache folder.
    static ArtworkFetcher *shared();

    // A fetcher on its own disk cache folder, which it creates and trims to
    // `diskCacheLimit` bytes in the background.
    ArtworkFetcher(QString directory, UrlSession *session, QObject *parent = nullptr,
        qint64 diskCacheLimit = DiskCacheLimit);
    ~ArtworkFetcher() override;

    // The signed-in account's offline artwork folder, or none. Loads already
    // started keep the folder they saw.
    void setOfflineDirectory(std::optional<QString> directory);
    std::optional<QString> offlineDirectory() const { return m_offlineDirectory; }
    QString directory() const { return m_directory; }

    // The cover at most `pixelSize` pixels on its longer side, or a null image
    // when every source failed. `url` is the server's cover-art URL for that
    // size; it also names the server in the cache keys. Never throws.
    QCoro::Task<QImage> image(QString id, int pixelSize, QUrl url);

    // 64 lower-case hex digits of the SHA-256 of the text's UTF-8 bytes: the
    // name of every file derived from an identifier.
    static QString offlineFileName(const QString &text);

    // Decodes at most `maxPixelSize` on the longer side (never upscaled), with
    // the file's orientation applied. Null when the bytes are no image.
    static QImage decode(const QByteArray &data, int maxPixelSize);

    // Brings the files of `directory` down to at most `limit` bytes, least
    // recently used first. Blocking; the fetcher runs it on a worker thread.
    static void trimDiskCache(const QString &directory, qint64 limit);

    // Whether a load for the key is going (for tests of shared loads).
    bool isLoading(const QString &key) const { return m_inFlight.contains(key); }

private:
    struct Sources;
    struct Load
    {
        QFuture<QImage> result;
        TaskHandle handle;
    };
    static QCoro::Task<QImage> load(Sources sources, UrlSession *session, TaskHandle handle);

    QString m_directory;
    UrlSession *m_session;
    std::optional<QString> m_offlineDirectory;
    QHash<QString, Load> m_inFlight;
};
