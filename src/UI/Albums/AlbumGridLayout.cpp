#include "AlbumGridLayout.h"

#include <algorithm>
#include <cmath>

namespace AlbumGridLayout {

int columns(double width)
{
    if (!(width > 0))
        return 1;
    // n columns of at least the minimum and n - 1 gaps fit when
    // n * min + (n - 1) * spacing <= width.
    const int n = int(std::floor((width + ColumnSpacing) / (MinimumWidth + ColumnSpacing)));
    return std::max(1, n);
}

double tileWidth(double width)
{
    if (!(width > 0))
        return MinimumWidth;
    const int n = columns(width);
    const double each = (width - (n - 1) * ColumnSpacing) / n;
    return std::min(each, MaximumWidth);
}

} // namespace AlbumGridLayout
