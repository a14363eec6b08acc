#include "PaletteExtractor.h"

#include <QColorSpace>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Cache
{
    QMutex mutex;
    QHash<QString, AlbumPalette> palettes;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

struct Bucket
{
    double count = 0;
    double r = 0;
    double g = 0;
    double b = 0;
};

} // namespace

std::optional<AlbumPalette> PaletteExtractor::cached(const QString &key)
{
    Cache &c = cache();
    QMutexLocker locker(&c.mutex);
    auto it = c.palettes.constFind(key);
    if (it == c.palettes.constEnd())
        return std::nullopt;
    return *it;
}

void PaletteExtractor::store(const AlbumPalette &palette, const QString &key)
{
    Cache &c = cache();
    QMutexLocker locker(&c.mutex);
    c.palettes.insert(key, palette);
}

QByteArray PaletteExtractor::pixels(const QImage &image, int side)
{
    if (image.isNull() || side <= 0)
        return {};
    QImage source = image;
    if (source.colorSpace().isValid() && source.colorSpace() != QColorSpace(QColorSpace::SRgb))
        source.convertToColorSpace(QColorSpace::SRgb);
    QImage sample(side, side, QImage::Format_RGBA8888_Premultiplied);
    if (sample.isNull())
        return {};
    sample.fill(Qt::transparent);
    {
        QPainter painter(&sample);
        if (!painter.isActive())
            return {};
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // The whole cover, squeezed whatever its aspect ratio.
        painter.drawImage(QRect(0, 0, side, side), source);
    }
    QByteArray bytes;
    bytes.reserve(side * side * 4);
    for (int y = 0; y < side; ++y)
        bytes.append(reinterpret_cast<const char *>(sample.constScanLine(y)), side * 4);
    return bytes;
}

PaletteExtractor::HSB PaletteExtractor::hsb(double r, double g, double b)
{
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double d = max - min;
    double h = 0;
    if (d != 0) {
        if (max == r)
            h = std::fmod((g - b) / d, 6.0) / 6.0;
        else if (max == g)
            h = ((b - r) / d + 2) / 6.0;
        else
            h = ((r - g) / d + 4) / 6.0;
        if (h < 0)
            h += 1;
    }
    const double s = max == 0 ? 0 : d / max;
    return {h, s, max};
}

PaletteExtractor::RGB PaletteExtractor::fromHSB(double h, double s, double v)
{
    if (s == 0)
        return {v, v, v};
    const double x = h * 6;
    const int i = int(x);
    const double f = x - i;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (i % 6) {
    case 0:
        return {v, t, p};
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    default:
        return {v, p, q};
    }
}

double PaletteExtractor::luminance(const RGB &colour)
{
    const auto linear
        = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

double PaletteExtractor::contrast(double luminanceA, double luminanceB)
{
    const double hi = std::max(luminanceA, luminanceB);
    const double lo = std::min(luminanceA, luminanceB);
    return (hi + 0.05) / (lo + 0.05);
}

PaletteExtractor::RGB PaletteExtractor::average(const QByteArray &bytes)
{
    const qsizetype count = bytes.size() / 4;
    if (count == 0)
        return {};
    double r = 0, g = 0, b = 0;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i) {
        r += data[i * 4];
        g += data[i * 4 + 1];
        b += data[i * 4 + 2];
    }
    return {r / double(count) / 255.0, g / double(count) / 255.0, b / double(count) / 255.0};
}

PaletteExtractor::RGB PaletteExtractor::legibleOnDark(const RGB &colour)
{
    const HSB c = hsb(colour.r, colour.g, colour.b);
    const double s = std::clamp(c.s, 0.35, 0.7);
    double v = std::max(c.v, 0.8);
    RGB result = fromHSB(c.h, s, v);
    for (int step = 0; step < 20; ++step) {
        if (contrast(luminance(result), DarkReference) >= 7.0)
            break;
        v = std::min(v + 0.05, 1.0);
        result = fromHSB(c.h, s, v);
    }
    return result;
}

std::pair<PaletteExtractor::RGB, PaletteExtractor::RGB> PaletteExtractor::button(const RGB &accent)
{
    const HSB c = hsb(accent.r, accent.g, accent.b);
    const double s = std::clamp(c.s, 0.55, 1.0);
    double v = std::clamp(c.v, 0.55, 0.95);
    RGB fill = fromHSB(c.h, s, v);
    double onWhite = 0;
    double onBlack = 0;
    for (int round = 0; round <= 12; ++round) {
        const double l = luminance(fill);
        onWhite = contrast(l, 1.0);
        onBlack = contrast(l, 0.0);
        if (std::max(onWhite, onBlack) >= 4.0 || round == 12)
            break;
        v = l > 0.35 ? v * 0.9 : std::min(v * 1.08, 0.98);
        fill = fromHSB(c.h, s, v);
    }
    const RGB label = onWhite >= onBlack ? RGB {1, 1, 1} : RGB {0, 0, 0};
    return {fill, label};
}

std::optional<AlbumPalette> PaletteExtractor::extract(const QImage &image)
{
    const QByteArray sample = pixels(image, SampleSide);
    if (sample.isEmpty())
        return std::nullopt;

    std::array<Bucket, 24 * 16> buckets {};
    const auto *data = reinterpret_cast<const uchar *>(sample.constData());
    const qsizetype count = sample.size() / 4;
    for (qsizetype i = 0; i < count; ++i) {
        const uchar *px = data + i * 4;
        if (px[3] / 255.0 <= 0.5)
            continue;
        // The premultiplied values as stored, as the sample was always read.
        const double r = px[0] / 255.0;
        const double g = px[1] / 255.0;
        const double b = px[2] / 255.0;
        const HSB c = hsb(r, g, b);
        const int index
            = (int(c.h * 24) % 24) * 16 + int(std::min(c.s, 0.999) * 3) * 4 + int(std::min(c.v, 0.999) * 3);
        Bucket &bucket = buckets[index];
        bucket.count += 1;
        bucket.r += r;
        bucket.g += g;
        bucket.b += b;
    }

    double total = 0;
    for (const Bucket &bucket : buckets)
        total += bucket.count;
    if (!(total > 0))
        return std::nullopt;

    std::optional<RGB> best;
    double bestScore = 0;
    for (const Bucket &bucket : buckets) {
        if (bucket.count == 0)
            continue;
        const RGB mean {bucket.r / bucket.count, bucket.g / bucket.count, bucket.b / bucket.count};
        const HSB c = hsb(mean.r, mean.g, mean.b);
        if (c.v > 0.97 || c.v < 0.12 || c.s < 0.25)
            continue;
        const double score
            = (std::sqrt(bucket.count / total) * 0.65 + 0.35) * std::pow(c.s, 1.6) * (c.v * 0.5 + 0.5);
        if (!best || score > bestScore) {
            best = mean;
            bestScore = score;
        }
    }

    AlbumPalette palette;
    palette.backdropMean = average(sample);
    palette.accent = best.value_or(palette.backdropMean);
    palette.tint = legibleOnDark(palette.accent);
    const auto [fill, label] = button(palette.accent);
    palette.fill = fill;
    palette.label = label;
    return palette;
}
