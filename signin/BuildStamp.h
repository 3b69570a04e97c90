#pragma once

#include <QDateTime>
#include <QString>

namespace qor {

// The window title shows when the program was built.

// The time stamp of the resource directory of a Windows executable (an MS-DOS
// date and time). Throws qor::Error with the file error texts of RawFile, and
// when the file is not a PE image or has no sections.
quint32 readPeResourceStamp(const QString &exePath);

// High half the MS-DOS date, low half the time, as local time. Throws
// qor::Error when they are not a valid date and time.
QDateTime dosDateTimeToDateTime(quint32 stamp);

// A Windows executable ("MZ") gives its resource stamp; any other (our ELF
// build) the time the file was written by the linker.
QDateTime buildDateTime(const QString &exePath);

// Local short date and long time of the default QLocale, without the time
// zone; the time is left out at exactly midnight.
QString buildStampText(const QDateTime &dateTime);

} // namespace qor
