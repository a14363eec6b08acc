#include "ArtworkFetcher.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCoroFuture>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QPromise>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

#include "Networking/UrlSession.h"
#include "Support/ArtworkStore.h"
#include "Support/AtomicFile.h"

struct ArtworkFetcher::Sources
{
    QString coverKey;
    QString key;
    int pixelSize = 0;
    QUrl url;
    QString directory;
    std::optional<QString> offlineFile;
};

namespace {

// Reads and decodes one file; a hit marks the file as just used. Only a
// regular file is opened: a FIFO of that name would block the worker for
// good, waiting for a writer that never comes.
QImage readFile(const QString &path, int pixelSize, bool touch)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QImage image = ArtworkFetcher::decode(file.readAll(), pixelSize);
    if (!image.isNull() && touch)
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return image;
}

// The file sources, in order: the cache file of this size, the cache files of
// larger sizes, the offline file. Runs on a worker thread.
QImage loadFromDisk(const QString &directory, const QString &coverKey, const QString &key, int pixelSize,
    const std::optional<QString> &offlineFile)
{
    const QDir dir(directory);
    QImage image = readFile(dir.filePath(ArtworkFetcher::offlineFileName(key)), pixelSize, true);
    if (!image.isNull())
        return image;
    for (int size : ArtworkFetcher::PixelBuckets) {
        if (size <= pixelSize)
            continue;
        const QString larger = ArtworkStore::key(coverKey, size);
        image = readFile(dir.filePath(ArtworkFetcher::offlineFileName(larger)), pixelSize, true);
        if (!image.isNull())
            return image;
    }
    if (offlineFile)
        return readFile(*offlineFile, pixelSize, false);
    return {};
}

// Decodes a server answer and keeps its bytes, as sent, in the disk cache.
QImage decodeAndKeep(const QByteArray &body, int pixelSize, const QString &cacheFile)
{
    QImage image = ArtworkFetcher::decode(body, pixelSize);
    if (image.isNull())
        return image;
    AtomicFile::write(cacheFile, body);
    return image;
}

} // namespace

ArtworkFetcher *ArtworkFetcher::shared()
{
    static ArtworkFetcher *fetcher = [] {
        const QString caches = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        // Without a cache folder every cover comes from its other sources.
        const QString directory
            = caches.isEmpty() ? QString() : QDir(caches).filePath(QStringLiteral("Lirna/Artwork"));
        return new ArtworkFetcher(directory, UrlSession::shared(), QCoreApplication::instance());
    }();
    return fetcher;
}

ArtworkFetcher::ArtworkFetcher(QString directory, UrlSession *session, QObject *parent, qint64 diskCacheLimit)
    : QObject(parent)
    , m_directory(std::move(directory))
    , m_session(session)
{
    if (!m_directory.isEmpty()) {
        QDir().mkpath(m_directory);
        // Fire and forget: the trim touches only files and never blocks a load.
        (void)QtConcurrent::run(&ArtworkFetcher::trimDiskCache, m_directory, diskCacheLimit);
    }
}

ArtworkFetcher::~ArtworkFetcher()
{
    // Aborting a transfer resumes its load at once, which then forgets its
    // entry: the table is emptied first so that nothing changes under the loop.
    QHash<QString, Load> loads = std::exchange(m_inFlight, {});
    for (Load &load : loads)
        load.handle.cancel();
}

void ArtworkFetcher::setOfflineDirectory(std::optional<QString> directory)
{
    m_offlineDirectory = std::move(directory);
}

QString ArtworkFetcher::offlineFileName(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QImage ArtworkFetcher::decode(const QByteArray &data, int maxPixelSize)
{
    if (data.isEmpty() || maxPixelSize <= 0)
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    const bool knownSize = size.isValid() && !size.isEmpty();
    if (knownSize && std::max(size.width(), size.height()) > maxPixelSize)
        reader.setScaledSize(
            size.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    // A format that cannot tell its size up front is scaled after decoding.
    if (std::max(image.width(), image.height()) > maxPixelSize)
        image = image.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void ArtworkFetcher::trimDiskCache(const QString &directory, qint64 limit)
{
    const QDir dir(directory);
    if (!dir.exists())
        return;
    struct Entry
    {
        QString path;
        qint64 size;
        QDateTime modified;
    };
    QList<Entry> entries;
    qint64 total = 0;
    const QFileInfoList infos = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo &info : infos) {
        entries.append({info.absoluteFilePath(), info.size(), info.lastModified()});
        total += info.size();
    }
    if (total <= limit)
        return;
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        // A file without a date counts as the oldest.
        if (!a.modified.isValid() || !b.modified.isValid())
            return !a.modified.isValid() && b.modified.isValid();
        return a.modified < b.modified;
    });
    for (const Entry &entry : std::as_const(entries)) {
        if (total <= limit)
            break;
        QFile::remove(entry.path);
        total -= entry.size;
    }
}

QCoro::Task<QImage> ArtworkFetcher::image(QString id, int pixelSize, QUrl url)
{
    Sources sources;
    sources.coverKey = ArtworkStore::coverKey(url, id);
    sources.key = ArtworkStore::key(sources.coverKey, pixelSize);

    QImage cached = ArtworkStore::image(sources.key);
    if (!cached.isNull())
        co_return cached;

    if (auto it = m_inFlight.constFind(sources.key); it != m_inFlight.constEnd()) {
        QFuture<QImage> shared = it->result;
        QImage result = co_await shared;
        co_return result;
    }

    sources.pixelSize = pixelSize;
    sources.url = std::move(url);
    sources.directory = m_directory;
    if (m_offlineDirectory)
        sources.offlineFile = QDir(*m_offlineDirectory).filePath(offlineFileName(id));

    // The fetcher may be destroyed while the load runs; past the wait only
    // `self` is touched, and only while it still exists.
    QPointer<ArtworkFetcher> self(this);
    QPromise<QImage> promise;
    promise.start();
    const QString key = sources.key;
    const TaskHandle handle = TaskHandle::create();
    m_inFlight.insert(key, {promise.future(), handle});
    QImage result = co_await load(std::move(sources), m_session, handle);
    promise.addResult(result);
    promise.finish();
    if (self) {
        // Only this load's own entry: a later load of the key may have taken its place.
        if (auto it = self->m_inFlight.find(key); it != self->m_inFlight.end() && it->handle == handle)
            self->m_inFlight.erase(it);
    }
    co_return result;
}

QCoro::Task<QImage> ArtworkFetcher::load(Sources sources, UrlSession *session, TaskHandle handle)
{
    if (!sources.directory.isEmpty() || sources.offlineFile) {
        QImage image = co_await QtConcurrent::run(&loadFromDisk, sources.directory, sources.coverKey,
            sources.key, sources.pixelSize, sources.offlineFile);
        if (!image.isNull()) {
            ArtworkStore::insert(sources.key, image);
            co_return image;
        }
    }

    // Cancelled while reading files: the fetcher is gone, and its session
    // need not outlive it.
    if (handle.isCancelled() || !session || !sources.url.isValid())
        co_return QImage();
    HttpResponse response;
    try {
        response = co_await session->data(sources.url, handle, UrlSession::Body::Cover);
    } catch (...) {
        co_return QImage();
    }
    if (handle.isCancelled())
        co_return QImage();
    if (!response.status || *response.status < 200 || *response.status > 299)
        co_return QImage();

    const QString cacheFile = sources.directory.isEmpty()
        ? QString()
        : QDir(sources.directory).filePath(offlineFileName(sources.key));
    QImage image = co_await QtConcurrent::run(&decodeAndKeep, response.body, sources.pixelSize, cacheFile);
    if (!image.isNull())
        ArtworkStore::insert(sources.key, image);
    co_return image;
}
