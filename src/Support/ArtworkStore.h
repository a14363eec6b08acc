#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

// The process-wide memory cache of decoded covers. The artwork fetcher fills
// it; the interface reads it synchronously to show a cover already in memory.
// Safe to use from any thread.
//
// Keys name the server as well as the cover, so that two servers that number
// their covers alike never show each other's images: the server part is the
// cover-art URL without its query (which holds the signature), then a space
// (never part of an encoded URL), the cover id, "#" and the pixel size.
class ArtworkStore
{
public:
    static constexpr qsizetype CostLimit = 268'435'456; // 256 MiB of pixels

    ArtworkStore() = delete;

    // The cover's key without a size: server text, " ", cover id. `coverArtUrl`
    // is any cover-art URL of that server (its query is ignored).
    static QString coverKey(const QUrl &coverArtUrl, const QString &id);
    // The memory-cache key of one cover at one pixel size.
    static QString key(const QUrl &coverArtUrl, const QString &id, int pixelSize);
    static QString key(const QString &coverKey, int pixelSize);

    // The cached image, or a null image.
    static QImage image(const QString &key);
    // Costs the image's bytes; eviction is the cache's own.
    static void insert(const QString &key, const QImage &image);
    static bool contains(const QString &key);
};
