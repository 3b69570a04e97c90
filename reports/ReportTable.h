#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qor {

class Query;

// A column of a table handed on outside the program.
struct ReportColumn
{
    QString field;       // the query's field the values come from
    QString upperTitle;
    QString lowerTitle;  // empty: the upper title spans both title rows
    int width = 64;      // as on screen, in pixels; the columns share a page in proportion
    Qt::Alignment alignment = Qt::AlignLeft;
};

// A table printed or saved as a spreadsheet: what it is of, the columns with
// their two-level titles, and the rows as they were read. A value is null,
// an integer, a text or a date-time.
struct ReportTable
{
    QString context;  // where the subject belongs: the faculty
    QString subject;  // what the table lists: the group's full name
    QDate asOf;       // the day the rows were read
    QString period;   // when given, the third heading line instead of "По состоянию на ..."
    QList<ReportColumn> columns;
    QList<QList<QVariant>> rows;
    QStringList notes; // lines under the table: what was counted and how

    // The lines above the table: context, subject, "По состоянию на ..."
    // or the period.
    QStringList headingLines() const;
    QString asOfText() const;
    // How many columns from first on share one upper title cell: neighbours
    // with the same upper title, each with a lower title of its own.
    int upperTitleSpan(int first) const;
};

// The query's rows in their order, one value per column, read from the
// columns' fields (a lookup field gives its text). Throws qor::Error when the
// query lacks a field.
QList<QList<QVariant>> readReportRows(const Query &query, const QList<ReportColumn> &columns);

// A value as the grid shows it: dates by the local rules, null as nothing.
QString reportText(const QVariant &value);

} // namespace qor
