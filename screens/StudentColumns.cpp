#include "screens/StudentColumns.h"

#include "controls/ClassicLook.h"

namespace qor {

QList<GridColumn> enrolmentAndExpulsionColumns()
{
    const auto order = [](const char *field, const char *caption, int width, const QColor &color) {
        GridColumn column = GridColumn::titled(QString::fromLatin1(field), QString::fromUtf8(caption), width, color);
        column.upperTitleColor = desktopColor();
        if (column.lowerTitle == QStringLiteral("№"))
            column.lowerTitleColor = desktopColor();
        return column;
    };
    return {
        order("prikaz_come", "Зачисление|Приказ", 128, moneyGreen()),
        order("come_reg", "Зачисление|№", 70, moneyGreen()),
        order("come_date", "Зачисление|Дата", 80, moneyGreen()),
        order("prikaz_leave", "Отчисление|Приказ", 128, lightPink()),
        order("leave_reg", "Отчисление|№", 70, lightPink()),
        order("leave_date", "Отчисление|Дата", 80, lightPink()),
    };
}

} // namespace qor
