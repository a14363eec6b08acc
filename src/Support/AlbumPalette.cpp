#include "AlbumPalette.h"

#include "PaletteExtractor.h"

double AlbumPalette::scrimOpacity(double textOpacity) const
{
    const double t = textOpacity;
    // Added up step by step, as the tried values have always been.
    for (double o = 0.38; o < 0.62; o += 0.01) {
        const PaletteRGB dark {backdropMean.r * (1 - o), backdropMean.g * (1 - o), backdropMean.b * (1 - o)};
        const PaletteRGB text {t + (1 - t) * dark.r, t + (1 - t) * dark.g, t + (1 - t) * dark.b};
        const double ratio = PaletteExtractor::contrast(
            PaletteExtractor::luminance(text), PaletteExtractor::luminance(dark));
        if (ratio >= 4.6)
            return o;
    }
    return 0.62;
}
