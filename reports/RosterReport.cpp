#include "reports/RosterReport.h"

#include "data/Query.h"
#include "data/Statements.h"
#include "data/TDM.h"

namespace qor {

ReportTable rosterReport(const TDM &dm, const QVariant &groupKey, const QList<ReportColumn> &columns, const QDate &asOf)
{
    ReportTable table;
    // Read now rather than taken from the lists: the group list may show
    // another faculty's groups while this group's roster is on screen.
    Query heading(dm.ADOCon);
    heading.setSql(statements::groupAndFaculty(groupKey));
    heading.open();
    if (!heading.isEmpty()) {
        table.subject = heading.asString(0);
        table.context = heading.asString(1);
    }
    heading.close();
    table.asOf = asOf;
    table.columns = columns;
    table.rows = readReportRows(*dm.ADOQ_movement_slushatel, columns);
    return table;
}

} // namespace qor
