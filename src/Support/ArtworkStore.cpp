#include "ArtworkStore.h"

#include <QCache>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Memory
{
    QMutex mutex;
    QCache<QString, QImage> cache {ArtworkStore::CostLimit};
};

Memory &memory()
{
    static Memory instance;
    return instance;
}

} // namespace

QString ArtworkStore::coverKey(const QUrl &coverArtUrl, const QString &id)
{
    const QUrl server = coverArtUrl.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    return QString::fromLatin1(server.toEncoded()) + QLatin1Char(' ') + id;
}

QString ArtworkStore::key(const QUrl &coverArtUrl, const QString &id, int pixelSize)
{
    return key(coverKey(coverArtUrl, id), pixelSize);
}

QString ArtworkStore::key(const QString &coverKey, int pixelSize)
{
    return coverKey + QLatin1Char('#') + QString::number(pixelSize);
}

QImage ArtworkStore::image(const QString &key)
{
    Memory &m = memory();
    QMutexLocker locker(&m.mutex);
    if (const QImage *image = m.cache.object(key))
        return *image;
    return {};
}

void ArtworkStore::insert(const QString &key, const QImage &image)
{
    if (image.isNull())
        return;
    const qsizetype cost = qsizetype(image.bytesPerLine()) * image.height();
    Memory &m = memory();
    QMutexLocker locker(&m.mutex);
    m.cache.insert(key, new QImage(image), cost);
}

bool ArtworkStore::contains(const QString &key)
{
    Memory &m = memory();
    QMutexLocker locker(&m.mutex);
    return m.cache.contains(key);
}
