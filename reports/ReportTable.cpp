#include "reports/ReportTable.h"

#include "data/DateTimeText.h"
#include "data/Query.h"

#include <QLocale>

namespace qor {

QStringList ReportTable::headingLines() const
{
    return {context, subject, period.isEmpty() ? asOfText() : period};
}

QString ReportTable::asOfText() const
{
    return QStringLiteral("По состоянию на %1").arg(asOf.toString(QStringLiteral("dd.MM.yyyy")));
}

int ReportTable::upperTitleSpan(int first) const
{
    if (first < 0 || first >= columns.size())
        return 0;
    if (columns[first].lowerTitle.isEmpty())
        return 1;
    int last = first;
    while (last + 1 < columns.size() && !columns[last + 1].lowerTitle.isEmpty()
           && columns[last + 1].upperTitle == columns[first].upperTitle)
        ++last;
    return last - first + 1;
}

QList<QList<QVariant>> readReportRows(const Query &query, const QList<ReportColumn> &columns)
{
    QList<int> fields;
    for (const ReportColumn &column : columns)
        fields.append(query.findField(column.field));
    QList<QList<QVariant>> rows;
    rows.reserve(query.rowCount());
    for (int row = 0; row < query.rowCount(); ++row) {
        QList<QVariant> values;
        values.reserve(fields.size());
        for (int field : std::as_const(fields))
            values.append(query.valueAt(row, field));
        rows.append(std::move(values));
    }
    return rows;
}

QString reportText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return localDateTimeText(value.toDateTime());
    if (value.typeId() == QMetaType::Double)
        return QLocale().toString(value.toDouble(), 'g', 15);
    return value.toString();
}

} // namespace qor
