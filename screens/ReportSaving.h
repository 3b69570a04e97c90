#pragma once

#include "reports/ReportTable.h"

class QWidget;

namespace qor {

// Asks where to save a report table, as an Excel workbook or, the second
// choice, as CSV, and saves it there. Returns the file written, empty when
// the user cancelled. Throws qor::Error when the file cannot be written; an
// earlier file of that name then stays as it was.
QString saveReportAs(QWidget *parent, const QString &caption, const ReportTable &table);

// The file name offered for a table: its subject without the characters
// file systems refuse.
QString suggestedFileName(const ReportTable &table);

} // namespace qor
