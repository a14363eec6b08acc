#include <QPainter>
#include <QTest>

#include "Support/PaletteExtractor.h"

namespace {

using RGB = PaletteExtractor::RGB;

QImage solid(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

bool near(const RGB &a, const RGB &b, double tolerance = 1.0 / 255)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance
        && std::abs(a.b - b.b) <= tolerance;
}

RGB rgb(int r, int g, int b)
{
    return {r / 255.0, g / 255.0, b / 255.0};
}

} // namespace

class TestPaletteExtractor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noPalette_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("null image") << QImage();
        QTest::newRow("fully transparent") << solid(64, 64, Qt::transparent);
        QTest::newRow("alpha just below half") << solid(64, 64, QColor(200, 30, 30, 127));
    }

    void noPalette()
    {
        QFETCH(QImage, image);
        QCOMPARE(PaletteExtractor::extract(image), std::nullopt);
    }

    // Covers with no colourful, mid-bright bucket take the mean as accent.
    void fallsBackToMean_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::newRow("flat grey") << QColor(128, 128, 128);
        QTest::newRow("black") << QColor(0, 0, 0);
        QTest::newRow("white") << QColor(255, 255, 255);
        QTest::newRow("pure red is too bright") << QColor(255, 0, 0);
        QTest::newRow("muted") << QColor(120, 110, 100);
    }

    void fallsBackToMean()
    {
        QFETCH(QColor, colour);
        const auto palette = PaletteExtractor::extract(solid(40, 40, colour));
        QVERIFY(palette);
        const RGB expected = rgb(colour.red(), colour.green(), colour.blue());
        QVERIFY(near(palette->backdropMean, expected));
        QCOMPARE(palette->accent, palette->backdropMean);
        QCOMPARE(palette->tint, PaletteExtractor::legibleOnDark(palette->accent));
    }

    void dominantColour()
    {
        // A saturated colour on nine tenths of the cover beats a small one.
        QImage image = solid(100, 100, QColor(51, 77, 204));
        QPainter(&image).fillRect(QRect(0, 0, 100, 10), QColor(230, 128, 26));
        const auto palette = PaletteExtractor::extract(image);
        QVERIFY(palette);
        QVERIFY(near(palette->accent, rgb(51, 77, 204), 2.0 / 255));
        QVERIFY(!near(palette->backdropMean, palette->accent, 2.0 / 255));
        const auto [fill, label] = PaletteExtractor::button(palette->accent);
        QCOMPARE(palette->fill, fill);
        QCOMPARE(palette->label, label);
    }

    void tinyAndOddShapes_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("one pixel") << solid(1, 1, QColor(51, 77, 204));
        QTest::newRow("wide strip") << solid(500, 3, QColor(51, 77, 204));
        QTest::newRow("rgb888") << solid(8, 8, QColor(51, 77, 204)).convertToFormat(QImage::Format_RGB888);
    }

    void tinyAndOddShapes()
    {
        QFETCH(QImage, image);
        const auto palette = PaletteExtractor::extract(image);
        QVERIFY(palette);
        QVERIFY(near(palette->accent, rgb(51, 77, 204), 2.0 / 255));
    }

    void samplesPremultipliedValues()
    {
        // 60 % opaque blue is read as stored: darkened by its alpha.
        const auto palette = PaletteExtractor::extract(solid(16, 16, QColor(0, 0, 255, 153)));
        QVERIFY(palette);
        QVERIFY(near(palette->accent, rgb(0, 0, 153)));
        QVERIFY(near(palette->backdropMean, rgb(0, 0, 153)));
        QCOMPARE(PaletteExtractor::pixels(solid(3, 7, Qt::red), 48).size(), 48 * 48 * 4);
    }

    void hsbRoundTrip_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("g");
        QTest::addColumn<double>("b");
        QTest::newRow("red") << 1.0 << 0.0 << 0.0;
        QTest::newRow("magenta side") << 0.9 << 0.1 << 0.5;
        QTest::newRow("green") << 0.2 << 0.7 << 0.3;
        QTest::newRow("blue") << 0.1 << 0.2 << 0.6;
        QTest::newRow("grey") << 0.4 << 0.4 << 0.4;
        QTest::newRow("black") << 0.0 << 0.0 << 0.0;
    }

    void hsbRoundTrip()
    {
        QFETCH(double, r);
        QFETCH(double, g);
        QFETCH(double, b);
        const auto c = PaletteExtractor::hsb(r, g, b);
        QVERIFY(c.h >= 0 && c.h < 1);
        QVERIFY(near(PaletteExtractor::fromHSB(c.h, c.s, c.v), RGB {r, g, b}, 1e-9));
    }

    void legibleOnDarkBrightens()
    {
        const RGB darkBlue {0.0, 0.0, 0.3};
        const RGB tint = PaletteExtractor::legibleOnDark(darkBlue);
        const auto c = PaletteExtractor::hsb(tint.r, tint.g, tint.b);
        QVERIFY(std::abs(c.h - 2.0 / 3) < 1e-9);
        QVERIFY(std::abs(c.s - 0.7) < 1e-9); // saturation clamped into 0.35 to 0.7
        const double contrast
            = PaletteExtractor::contrast(PaletteExtractor::luminance(tint), PaletteExtractor::DarkReference);
        QVERIFY(contrast >= 7.0 || c.v >= 1.0);
        // One step less bright would not have been enough.
        const RGB previous = PaletteExtractor::fromHSB(c.h, c.s, c.v - 0.05);
        QVERIFY(
            PaletteExtractor::contrast(PaletteExtractor::luminance(previous), PaletteExtractor::DarkReference)
            < 7.0);
        QVERIFY(c.v > 0.8);
    }

    void buttonLabel()
    {
        const auto [darkFill, darkLabel] = PaletteExtractor::button(RGB {0.1, 0.1, 0.5});
        QCOMPARE(darkLabel, (RGB {1, 1, 1}));
        const auto [brightFill, brightLabel] = PaletteExtractor::button(RGB {0.95, 0.9, 0.1});
        QCOMPARE(brightLabel, (RGB {0, 0, 0}));
        for (const RGB &fill : {darkFill, brightFill}) {
            const double l = PaletteExtractor::luminance(fill);
            QVERIFY(std::max(PaletteExtractor::contrast(l, 1), PaletteExtractor::contrast(l, 0)) >= 4.0);
        }
    }

    void scrimOpacity()
    {
        AlbumPalette palette;
        palette.backdropMean = RGB {0, 0, 0};
        QCOMPARE(palette.scrimOpacity(1.0), 0.38);
        palette.backdropMean = RGB {1, 1, 1};
        double expected = 0.38;
        for (int i = 0; i < 17; ++i)
            expected += 0.01;
        QCOMPARE(palette.scrimOpacity(1.0), expected);
        QCOMPARE(palette.scrimOpacity(0.5), 0.62);
    }

    void cacheByKey()
    {
        const auto palette = PaletteExtractor::extract(solid(8, 8, QColor(51, 77, 204)));
        QVERIFY(palette);
        QCOMPARE(PaletteExtractor::cached(QStringLiteral("http://a/rest/getCoverArt al-1")), std::nullopt);
        PaletteExtractor::store(*palette, QStringLiteral("http://a/rest/getCoverArt al-1"));
        QCOMPARE(PaletteExtractor::cached(QStringLiteral("http://a/rest/getCoverArt al-1")), palette);
        QCOMPARE(PaletteExtractor::cached(QStringLiteral("http://b/rest/getCoverArt al-1")), std::nullopt);
    }
};

QTEST_MAIN(TestPaletteExtractor)
#include "tst_PaletteExtractor.moc"
