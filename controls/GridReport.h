#pragma once

#include "reports/ReportTable.h"

namespace qor {

class DataGrid;

// The columns of a report of what the grid shows: its shown columns in the
// order and proportions the user left them, with their titles and alignment.
QList<ReportColumn> reportColumnsOf(const DataGrid &grid);

} // namespace qor
