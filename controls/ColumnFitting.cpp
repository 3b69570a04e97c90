#include "controls/ColumnFitting.h"

#include <algorithm>
#include <cmath>

namespace qor {

QList<int> fitColumnWidths(const QList<double> &proportions, int clientWidth)
{
    const int count = int(proportions.size());
    QList<int> widths(count, 0);
    if (count == 0)
        return widths;

    const int available = std::max(0, clientWidth - IndicatorWidth - 1 - count);
    double sum = 0;
    for (double p : proportions)
        sum += std::max(0.0, p);

    int used = 0;
    for (int i = 0; i < count - 1; ++i) {
        // A zero sum has no proportions to follow: share alike.
        const double share = sum > 0 ? std::max(0.0, proportions[i]) / sum : 1.0 / count;
        widths[i] = int(std::lround(share * available));
        used += widths[i];
    }
    widths[count - 1] = available - used;

    // Rounding up many columns can overshoot; take the excess back from the
    // right so that no width is negative and the total still fits.
    for (int i = count - 1; i > 0 && widths[i] < 0; --i) {
        widths[i - 1] += widths[i];
        widths[i] = 0;
    }
    widths[0] = std::max(0, widths[0]);
    return widths;
}

void applyColumnDrag(QList<double> &proportions, int column, int oldWidth, int newWidth)
{
    if (column < 0 || column >= proportions.size() || oldWidth <= 0)
        return;
    const double before = proportions[column];
    const double after = before * std::max(0, newWidth) / oldWidth;
    proportions[column] = after;
    if (column + 1 < proportions.size())
        proportions[column + 1] = std::max(0.0, proportions[column + 1] - (after - before));
}

} // namespace qor
