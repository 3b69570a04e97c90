#include "controls/GridColumn.h"

#include "controls/TwoLevelHeader.h"

namespace qor {

GridColumn GridColumn::titled(const QString &field, const QString &caption, int width, const QColor &color)
{
    GridColumn column;
    column.field = field;
    std::tie(column.upperTitle, column.lowerTitle) = TwoLevelHeader::splitCaption(caption);
    column.width = width;
    column.color = color;
    return column;
}

} // namespace qor
