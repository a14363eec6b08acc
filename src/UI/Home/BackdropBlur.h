#pragma once

#include <QImage>

// The featured card's backdrop: the cover shrunk to a few dozen pixels,
// blurred and made a little more saturated. Drawn stretched over the card it
// looks like a heavy blur of the cover at no per-frame cost. Pure; runs on a
// worker thread.
namespace BackdropBlur {

constexpr int Side = 48;
constexpr double Saturation = 1.3;

// A Side × Side opaque image; null for a null cover.
QImage blurred(const QImage &cover);

} // namespace BackdropBlur
