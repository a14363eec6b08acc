#pragma once

#include <QColor>
#include <QMetaType>
#include <QObject>

// An sRGB colour with components from 0 to 1, kept as doubles so that two
// palettes worked out alike compare exactly equal.
struct PaletteRGB
{
    double r = 0;
    double g = 0;
    double b = 0;

    QColor toColor() const { return QColor::fromRgbF(float(r), float(g), float(b), 1.0f); }

    friend bool operator==(const PaletteRGB &, const PaletteRGB &) = default;
};

// The colours a page takes from an album's cover.
struct AlbumPalette
{
    Q_GADGET
    Q_PROPERTY(QColor accent READ accentColor CONSTANT)
    Q_PROPERTY(QColor tint READ tintColor CONSTANT)
    Q_PROPERTY(QColor fill READ fillColor CONSTANT)
    Q_PROPERTY(QColor label READ labelColor CONSTANT)

public:
    // The cover's dominant colour.
    PaletteRGB accent;
    // The accent made legible on a dark background.
    PaletteRGB tint;
    // A button fill derived from the accent.
    PaletteRGB fill;
    // Pure white or pure black, whichever reads better on `fill`.
    PaletteRGB label;
    // The mean colour of the whole sampled cover.
    PaletteRGB backdropMean;

    QColor accentColor() const { return accent.toColor(); }
    QColor tintColor() const { return tint.toColor(); }
    QColor fillColor() const { return fill.toColor(); }
    QColor labelColor() const { return label.toColor(); }

    // The opacity of a black scrim over the cover that keeps white text drawn
    // at `textOpacity` legible: from 0.38 up to 0.62.
    Q_INVOKABLE double scrimOpacity(double textOpacity) const;

    friend bool operator==(const AlbumPalette &, const AlbumPalette &) = default;
};

Q_DECLARE_METATYPE(AlbumPalette)
