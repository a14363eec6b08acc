#pragma once

#include <algorithm>
#include <cmath>

// The pointer and key arithmetic of the bar's capsule tracks (the position
// strip and the volume slider).
namespace CapsuleTrackMath {

// One arrow key or accessibility step, as a fraction of the track.
constexpr double KeyStep = 0.05;

// The fraction under a pointer `x` points from the leading edge of a track
// `width` wide; outside the track it sticks to the nearer end.
inline double fractionAt(double x, double width)
{
    if (!(width > 0) || std::isnan(x))
        return 0;
    return std::clamp(x / width, 0.0, 1.0);
}

// `progress` moved one step in `direction` (-1 or +1), kept within the track.
inline double stepped(double progress, int direction)
{
    const double from = std::isfinite(progress) ? progress : 0;
    return std::clamp(from + direction * KeyStep, 0.0, 1.0);
}

} // namespace CapsuleTrackMath
