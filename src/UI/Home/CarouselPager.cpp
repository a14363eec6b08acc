#include "CarouselPager.h"

#include <algorithm>
#include <cmath>

namespace CarouselPager {

RowCase rowCase(bool hasAlbums, bool serverFailing, bool isLoading, bool hasError)
{
    if (hasAlbums)
        return RowCase::Albums;
    if (serverFailing)
        return RowCase::Hidden;
    if (isLoading)
        return RowCase::Loading;
    if (hasError)
        return RowCase::Failed;
    return RowCase::Hidden;
}

bool canScrollLeft(const ScrollMetrics &metrics)
{
    return metrics.offsetX > 1;
}

bool canScrollRight(const ScrollMetrics &metrics)
{
    if (!(metrics.containerWidth > 0))
        return false;
    return metrics.offsetX + metrics.containerWidth < metrics.contentWidth - 1;
}

int leadingIndex(const ScrollMetrics &metrics, int count, double step)
{
    if (!(metrics.containerWidth > 0) || !(step > 0))
        return 0;
    const double cards = std::trunc(metrics.offsetX / step);
    const int index = cards >= count ? count - 1 : int(cards);
    return std::max(0, std::min(index, count - 1));
}

std::optional<int> scrollTarget(const ScrollMetrics &metrics, int count, double step, int by)
{
    if (count <= 0 || !(step > 0))
        return std::nullopt;
    const int page = std::max(1, int(metrics.containerWidth / step));
    const int leading = leadingIndex(metrics, count, step);
    int target = std::min(leading + by * page, count - 1);
    if (target < 0) {
        if (leading == 0)
            return std::nullopt;
        target = 0;
    } else if (target == leading) {
        return std::nullopt;
    }
    return target;
}

double offsetOf(int index, const ScrollMetrics &metrics, double step)
{
    const double end = std::max(0.0, metrics.contentWidth - metrics.containerWidth);
    return std::clamp(index * step, 0.0, end);
}

double wheeledOffset(const ScrollMetrics &metrics, double angleDelta, double pixelDelta)
{
    const double end = std::max(0.0, metrics.contentWidth - metrics.containerWidth);
    const double delta = pixelDelta != 0 ? pixelDelta : angleDelta / 2;
    return std::clamp(metrics.offsetX - delta, 0.0, end);
}

} // namespace CarouselPager
