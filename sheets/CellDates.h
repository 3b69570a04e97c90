#pragma once

#include <QDate>
#include <QString>

namespace qor {

// Days as spreadsheets keep them. In the 1900 system (Excel's default, and
// the one of LibreOffice's files) day 1 is 1 January 1900 and day 60 the
// 29 February 1900 that never was; in the 1904 system (older Macintosh
// workbooks) day 0 is 1 January 1904. A time of day is the fraction.
enum class DateSystem { Since1900, Since1904 };
QDate dateOfSerial(double days, DateSystem system);

// A day written as people here write it: day, month and year separated by
// a full stop, a slash or a hyphen (dd.mm.yyyy, d.m.yy...), the ISO form
// yyyy-mm-dd, or with the month's name ("1 сентября 2014 г."), optionally
// followed by a time. Two digits of a year name the year within fifty years
// of today. Invalid when the text is no day.
QDate dateOfText(const QString &text, const QDate &today = QDate::currentDate());

} // namespace qor
