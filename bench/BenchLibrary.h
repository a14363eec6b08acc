#pragma once

// The made-up album library the grid and start-up benchmarks serve from their
// loopback servers: album records and a handful of distinct covers.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

namespace BenchLibrary {

constexpr int Covers = 24; // distinct cover pictures, served under every id

// The "albumList2" record of album number `n`, as a server writes it.
inline QByteArray albumJson(int n)
{
    return QStringLiteral(R"({"id":"al-%1","name":"A Fairly Long Album Title Number %1",)"
                          R"("artist":"Some Artist %2","artistId":"ar-%2","coverArt":"al-%1",)"
                          R"("songCount":11,"duration":2710,"year":%3,"created":"2021-03-04T05:06:07.000Z"})")
        .arg(n)
        .arg(n / 4)
        .arg(1970 + n % 50)
        .toUtf8();
}

// Cover number `n` of `Covers`, a 600-pixel JPEG as servers commonly keep them.
inline QByteArray coverJpeg(int n)
{
    QImage image(600, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(n * 360 / Covers, 140, 210));
    painter.setPen(QPen(Qt::white, 12));
    painter.drawEllipse(QPoint(300, 300), 100 + n * 6, 100 + n * 6);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

} // namespace BenchLibrary
