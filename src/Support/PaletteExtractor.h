#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

#include "AlbumPalette.h"

// Derives an AlbumPalette from a decoded cover and keeps the palettes of the
// run. Extraction is pure and may run on any thread; the cache is locked.
//
// The cache key is the cover's server-qualified key (ArtworkStore::coverKey),
// so two servers that number covers alike never share a palette.
class PaletteExtractor
{
public:
    using RGB = PaletteRGB;
    struct HSB
    {
        double h = 0;
        double s = 0;
        double v = 0;
    };

    static constexpr int SampleSide = 48;
    // Relative luminance of the dark background the tint must read on.
    static constexpr double DarkReference = 0.011772959064853119;

    PaletteExtractor() = delete;

    // None when the image cannot be sampled or no sampled pixel is more than
    // half opaque.
    static std::optional<AlbumPalette> extract(const QImage &image);

    static std::optional<AlbumPalette> cached(const QString &key);
    static void store(const AlbumPalette &palette, const QString &key);

    // The building blocks of extract(), each a plain function of its input.
    // The image squeezed into side × side premultiplied RGBA bytes in sRGB.
    static QByteArray pixels(const QImage &image, int side);
    static HSB hsb(double r, double g, double b);
    static RGB fromHSB(double h, double s, double v);
    // WCAG 2 relative luminance and contrast ratio.
    static double luminance(const RGB &colour);
    static double contrast(double luminanceA, double luminanceB);
    // The mean of the stored (premultiplied) bytes over every pixel.
    static RGB average(const QByteArray &bytes);
    static RGB legibleOnDark(const RGB &colour);
    // The fill and its label.
    static std::pair<RGB, RGB> button(const RGB &accent);
};
