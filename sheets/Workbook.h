#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace qor {

// One cell as a spreadsheet shows it: its text (a number without a needless
// fraction, a date as dd.mm.yyyy), and what it holds when that is more than
// a text: a number, or a day.
struct Cell
{
    QString text;
    std::optional<double> number;
    QDate date; // a date cell's day; invalid for any other cell

    bool isEmpty() const { return text.isEmpty(); }
};

// The cells of one row, by column from the first (A).
using CellRow = QList<Cell>;

// A spreadsheet file opened for reading: its sheets, each read row by row
// as it streams from the file, so that a sheet of a million rows never sits
// in memory whole. Every failure throws qor::Error with a Russian text that
// names the file and says what to do.
class Workbook
{
public:
    virtual ~Workbook() = default;

    // Called with each row that has a cell: its number as the spreadsheet
    // shows it (from 1) and its cells; returns false to stop reading.
    using RowReader = std::function<bool(int number, const CellRow &cells)>;
    // Told now and then how much of the sheet was read, from 0 to 1.
    using Progress = std::function<void(double share)>;

    virtual QStringList sheetNames() const = 0;
    virtual void readRows(int sheet, const RowReader &row, const Progress &progress = {}) = 0;
    // A number of days kept for a date, by the workbook's date system; an
    // invalid date for one that names no day.
    virtual QDate dateOfSerial(double days) const;
};

// Opens a workbook (.xlsx, .ods) or a CSV text, told apart by what the file
// holds rather than by its name.
std::unique_ptr<Workbook> openWorkbook(const QString &path);

} // namespace qor
