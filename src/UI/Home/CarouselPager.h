#pragma once

#include <optional>

// The arithmetic of a home row: which of its states it shows, and where its
// paging arrows scroll. Pure, so it can be checked without a window.
namespace CarouselPager {

// Scroll geometry of a row's strip of cards.
struct ScrollMetrics
{
    double offsetX = 0; // content offset
    double contentWidth = 0; // width of all cards
    double containerWidth = 0; // visible width

    friend bool operator==(const ScrollMetrics &, const ScrollMetrics &) = default;
};

// What a row shows, decided in this order: its albums (with the header);
// nothing while the server is failing; the spinner while loading; the
// header over the error line; otherwise nothing.
enum class RowCase { Albums, Hidden, Loading, Failed };

RowCase rowCase(bool hasAlbums, bool serverFailing, bool isLoading, bool hasError);

// The left arrow shows once the strip is scrolled more than a point.
bool canScrollLeft(const ScrollMetrics &metrics);
// The right arrow shows until the visible part reaches within a point of the end.
bool canScrollRight(const ScrollMetrics &metrics);
// The card at the leading edge: offset / step, truncated, kept in the list.
int leadingIndex(const ScrollMetrics &metrics, int count, double step);
// The card a page step of `by` (-1 or 1) brings to the leading edge, or
// nothing when the strip stays where it is.
std::optional<int> scrollTarget(const ScrollMetrics &metrics, int count, double step, int by);
// The content offset that puts card `index` at the leading edge, as far as
// the content reaches.
double offsetOf(int index, const ScrollMetrics &metrics, double step);
// The content offset a sideways wheel or touchpad swipe moves to, within the
// content: a touchpad's pixels as they come, a wheel's notch (120) as 60.
double wheeledOffset(const ScrollMetrics &metrics, double angleDelta, double pixelDelta);

} // namespace CarouselPager
