#pragma once

#include "reports/ReportTable.h"

#include <QPageLayout>

class QPrinter;
class QWidget;

namespace qor {

// Landscape A4 with margins for binding at the left: where a report begins.
QPageLayout reportPageLayout();

// The print preview of a report table, set in Liberation Sans (Arial's
// metrics) rather than the screen's Tahoma, whose bold face prints poorly; from
// it the user prints to a printer or a PDF file. A failure is shown.
void previewReport(QWidget *parent, const QString &caption, const ReportTable &table);

// Prints the table on the printer as the user set it up, its page range
// included. A PDF file is written whole or not at all: an earlier file of
// that name stays as it was when printing fails. Throws qor::Error.
void printReportOn(QPrinter &printer, const ReportTable &table);

} // namespace qor
