#pragma once

#include "reports/ReportTable.h"

class QPagedPaintDevice;

namespace qor {

// Prints a report table on the pages of a printer or PDF writer: the heading
// lines on the first page, the two-level titles at the top of every page,
// rows that do not fit carried on to the next page (a long text wraps within
// its cell), the notes under the last row, and at the foot of every page the subject and "Страница N из M".
// Columns share the page's width in proportion to their widths. Pages are
// numbered from 1; first and last (0: all) choose the pages painted.
// Returns the number of pages of the whole table. Throws qor::Error when the
// device cannot be painted on.
int printReport(const ReportTable &table, QPagedPaintDevice &device, const QString &fontFamily, int first = 0,
                int last = 0);

} // namespace qor
