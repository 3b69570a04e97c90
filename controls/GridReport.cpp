#include "controls/GridReport.h"

#include "controls/DataGrid.h"

#include <QHeaderView>

#include <algorithm>

namespace qor {

QList<ReportColumn> reportColumnsOf(const DataGrid &grid)
{
    const QHeaderView *header = grid.horizontalHeader();
    QList<int> shown; // described columns, in visual order
    for (int i = 0; i < grid.columns().size(); ++i) {
        const int modelColumn = grid.modelColumn(i);
        if (modelColumn >= 0 && !header->isSectionHidden(modelColumn))
            shown.append(i);
    }
    std::sort(shown.begin(), shown.end(), [&](int a, int b) {
        return header->visualIndex(grid.modelColumn(a)) < header->visualIndex(grid.modelColumn(b));
    });
    const QList<double> proportions = grid.columnProportions();
    QList<ReportColumn> columns;
    for (int i = 0; i < shown.size(); ++i) {
        const GridColumn &described = grid.columns()[shown[i]];
        ReportColumn column;
        column.field = described.field;
        column.upperTitle = described.upperTitle;
        column.lowerTitle = described.lowerTitle;
        column.width = i < proportions.size() ? qRound(proportions[i]) : described.width;
        column.alignment = described.alignment & Qt::AlignHorizontal_Mask;
        columns.append(column);
    }
    return columns;
}

} // namespace qor
