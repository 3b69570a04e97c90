#pragma once

#include <QDateTime>
#include <QString>

namespace qor {

// A date-time as the interface shows it: the local short date, followed by
// the long time (without time zone) unless the time is exactly midnight,
// e.g. "09.09.2014 15:48:16" or "01.09.2014".
QString localDateTimeText(const QDateTime &value);

// Reads a typed date-time by the same local rules (the time may be left out).
// Returns an invalid QDateTime when the text is no date.
QDateTime parseLocalDateTime(const QString &text);

} // namespace qor
