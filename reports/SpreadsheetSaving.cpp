#include "reports/SpreadsheetSaving.h"

#include "reports/CsvWriting.h"
#include "engine/Error.h"
#include "reports/XlsxWriting.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace qor {

namespace {

// Why the file could not be written, in the user's words where we can tell.
QString failureText(const QString &fileName, const QSaveFile &file, qint64 bytes, bool opened)
{
    const QFileInfo info(fileName);
    const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
    const QString folder = QDir::toNativeSeparators(info.absolutePath());
    QString reason;
    if (!QFileInfo(info.absolutePath()).isDir())
        reason = QStringLiteral("папки «%1» нет").arg(folder);
    else if (!opened && info.exists() && !info.isWritable())
        reason = QStringLiteral("файл открыт только для чтения");
    else if (!opened)
        reason = QStringLiteral("нет права на запись в папку «%1» (%2)").arg(folder, file.errorString());
    else if (QStorageInfo(info.absolutePath()).bytesAvailable() < bytes)
        reason = QStringLiteral("на диске не хватает места");
    else
        reason = file.errorString();
    QString text = QStringLiteral("Не удалось записать файл «%1»: %2.").arg(shown, reason);
    if (info.exists())
        text += QStringLiteral(" Прежний файл остался как был.");
    return text;
}

} // namespace

SpreadsheetFormat spreadsheetFormatOf(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? SpreadsheetFormat::Csv : SpreadsheetFormat::Xlsx;
}

void saveSpreadsheet(const ReportTable &table, const QString &fileName, SpreadsheetFormat format)
{
    saveFileWhole(fileName, format == SpreadsheetFormat::Csv ? csvBytes(table) : xlsxBytes(table));
}

void saveFileWhole(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    // Unbuffered, so that a disk filling up shows in write()'s count: a
    // buffered write that fails only when flushed at commit() is not
    // reported, and the cut-off file would replace the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(failureText(fileName, file, bytes.size(), false));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(failureText(fileName, file, bytes.size(), true));
}

} // namespace qor
