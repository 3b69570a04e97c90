#pragma once

#include "reports/ReportTable.h"

#include <QByteArray>

namespace qor {

enum class SpreadsheetFormat { Xlsx, Csv };

// The format a file name asks for by its extension; Xlsx unless it ends in ".csv".
SpreadsheetFormat spreadsheetFormatOf(const QString &fileName);

// Saves the table to the file in the format. The file is written beside its
// place and put there only when complete, so a failure (no right to write,
// a full disk, a size limit) leaves an earlier file as it was and no new
// one. Throws qor::Error saying what went wrong and what to do.
void saveSpreadsheet(const ReportTable &table, const QString &fileName, SpreadsheetFormat format);

// Writes the bytes to the file that way: under a short name of its own in
// the same folder (so that a name of 255 bytes still saves), on the disk
// before it takes the file's name, with the earlier file's permissions.
void saveFileWhole(const QString &fileName, const QByteArray &bytes);

} // namespace qor
