#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace qor {

// A date-time as the interface shows it: the local short date, followed by
// the long time (without time zone) unless the time is exactly midnight,
// e.g. "09.09.2014 15:48:16" or "01.09.2014".
QString localDateTimeText(const QDateTime &value);

// Reads a typed date-time by the local rules, in the forms people type: the
// day, month and year in the local order and with the local separator, one
// or two digits each for day and month, two or four for the year (two
// digits name the year within fifty years of today; a missing year is this
// year), optionally followed by a time "h:mm" or "h:mm:ss". Returns an
// invalid QDateTime when the text is no date. today sets the reference year.
QDateTime parseLocalDateTime(const QString &text, const QDate &today = QDate::currentDate());

} // namespace qor
