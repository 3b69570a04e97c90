#pragma once

#include "reports/ReportTable.h"

namespace qor {

class TDM;

// The roster of a group as it is printed and saved: headed by the group's
// faculty and full name, with the rows the data module's roster holds now.
// Throws qor::Error when the heading cannot be read.
ReportTable rosterReport(const TDM &dm, const QVariant &groupKey, const QList<ReportColumn> &columns, const QDate &asOf);

} // namespace qor
