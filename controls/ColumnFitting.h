#pragma once

#include <QList>

namespace qor {

// Width of the grid's row indicator column, without its line.
inline constexpr int IndicatorWidth = 11;

// Fits columns to a grid's client width in proportion to their proportion
// widths. The available width is the client width less the indicator column
// and one pixel per column line (one per column, one for the indicator); each
// column gets round(proportion * available / sum) and the last one the rest.
// Widths never go below 0; a zero sum shares the width equally.
QList<int> fitColumnWidths(const QList<double> &proportions, int clientWidth);

// Applies a user's drag of a column border from oldWidth to newWidth pixels:
// the column's proportion is scaled by newWidth / oldWidth and the next
// column's proportion changes by the opposite amount, not below 0. The last
// column has no next one; an old width of 0 gives no scale and changes nothing.
void applyColumnDrag(QList<double> &proportions, int column, int oldWidth, int newWidth);

} // namespace qor
