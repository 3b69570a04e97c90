#pragma once

#include <QString>

namespace qor {

// Why a file could not be written into a folder, in the user's words and
// followed by what to do: "на диске не хватает места. Освободите место или
// выберите другой диск". Made from the system's error number (errno) of the
// call that failed.
QString writeFailureReason(int errorNumber, const QString &folder);

// The same where a library hides the error number: a file size limit set
// for the program below the bytes being written, too little free space for
// them, or else a write that failed for a reason the system did not say.
QString guessedWriteFailureReason(const QString &folder, qint64 bytes);

} // namespace qor
