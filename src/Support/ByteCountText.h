#pragma once

#include <QString>
#include <QtGlobal>

// Byte counts as file sizes are shown: decimal units (1 KB is 1,000 bytes),
// the unit and the digits chosen by the size ("Zero KB", "512 bytes",
// "48 KB", "3.4 MB", "1.25 GB").
namespace ByteCountText {

QString file(qint64 bytes);

} // namespace ByteCountText
