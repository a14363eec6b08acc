#pragma once

// The column set every album grid uses: as many columns of 170 to 230 points
// as the width allows, 24 points apart. The grid fills its width exactly:
// each cell is the column width plus the spacing that follows it.
namespace AlbumGridLayout {

constexpr double MinimumWidth = 170;
constexpr double MaximumWidth = 230;
constexpr double ColumnSpacing = 24;
constexpr double RowSpacing = 28;
constexpr double Padding = 24;

// How many columns fit in `width` (at least one).
int columns(double width);
// The width of one column's tile in `width`: between the minimum and the
// maximum unless even one minimum column does not fit.
double tileWidth(double width);

} // namespace AlbumGridLayout
