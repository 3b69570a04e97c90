#include "screens/ReportSaving.h"

#include "reports/SpreadsheetSaving.h"
#include "screens/QtRussianTexts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace qor {

namespace {

const QString XlsxFilter = QStringLiteral("Книга Excel (*.xlsx)");
const QString CsvFilter = QStringLiteral("CSV, разделитель точка с запятой (*.csv)");

// The folder of the last file saved, offered again during the run.
QString &lastFolder()
{
    static QString folder = [] {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileInfo(documents).isDir() ? documents : QDir::homePath();
    }();
    return folder;
}

SpreadsheetFormat chosenFormat(const QString &fileName, const QString &filter)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"csv" || suffix == u"xlsx")
        return spreadsheetFormatOf(fileName);
    return filter == CsvFilter ? SpreadsheetFormat::Csv : SpreadsheetFormat::Xlsx;
}

} // namespace

QString suggestedFileName(const ReportTable &table)
{
    QString name = table.subject;
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral(" "));
    name = name.simplified();
    return name.isEmpty() ? QStringLiteral("Список") : name;
}

QString saveReportAs(QWidget *parent, const QString &caption, const ReportTable &table)
{
    QString fileName, filter;
    {
        const QtRussianTexts russian;
        QFileDialog dialog(parent, caption);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({XlsxFilter, CsvFilter});
        dialog.setDefaultSuffix(QStringLiteral("xlsx"));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
            dialog.setDefaultSuffix(chosen == CsvFilter ? QStringLiteral("csv") : QStringLiteral("xlsx"));
        });
        dialog.setDirectory(lastFolder());
        dialog.selectFile(suggestedFileName(table) + QStringLiteral(".xlsx"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        fileName = dialog.selectedFiles().constFirst();
        filter = dialog.selectedNameFilter();
    }
    saveSpreadsheet(table, fileName, chosenFormat(fileName, filter));
    lastFolder() = QFileInfo(fileName).absolutePath();
    return fileName;
}

} // namespace qor
