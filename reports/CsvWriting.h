#pragma once

#include "reports/ReportTable.h"

#include <QByteArray>

namespace qor {

// A report table as CSV for a Russian Excel: UTF-8 with a byte order mark,
// fields separated by semicolons, lines ended by CR LF, one title row (the
// two titles joined as "Upper: lower"), dates as "dd.MM.yyyy" (with the time
// when it is not midnight). Fields holding a separator, a quote or a line
// break are quoted, the quotes doubled. A text starting as a formula would
// ("=", "+", "-", "@") gets a leading apostrophe, as spreadsheets expect.
// A NUL and half a surrogate pair are saved as U+FFFD. The table's notes
// follow the rows after a blank line, one a line.
QByteArray csvBytes(const ReportTable &table);

} // namespace qor
