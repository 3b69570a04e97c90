#pragma once

#include "reports/ReportTable.h"

#include <QByteArray>

namespace qor {

// A report table as an Excel workbook (.xlsx) of one sheet: the heading
// lines, then the titles in two rows (a shared upper title merged across its
// columns, a spanning one down both rows), then the rows, framed, and the
// notes below them after a blank row; dates are
// date cells shown as "dd.mm.yyyy", integers numbers, columns as wide as on
// screen or as their longest text (up to 80 characters). The title rows
// stay in view and repeat on printed pages. Texts read in a spreadsheet as
// they are: characters XML cannot hold become U+FFFD, a literal "_xHHHH_"
// is escaped. The workbook is read back whole before it is returned.
// Throws qor::Error when the workbook cannot be made, saying why.
QByteArray xlsxBytes(const ReportTable &table);

} // namespace qor
