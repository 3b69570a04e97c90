#include "RosterOutput.h"

#include "ClientScreens.h"
#include "RawEngine.h"

#include "reports/ReportPages.h"
#include "reports/CsvWriting.h"
#include "engine/Error.h"
#include "reports/SpreadsheetSaving.h"
#include "data/Statements.h"
#include "embedded/TsqlDialect.h"
#include "screens/ReportPreview.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>

#include <xlsxwriter.h>

using namespace qor;

namespace {

const QString PrintFont = QStringLiteral("Liberation Sans");

void writeXlsxRaw(const ReportTable &table, const QString &file)
{
    lxw_workbook *book = workbook_new(QFile::encodeName(file).constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    for (int r = 0; r < table.rows.size(); ++r) {
        for (int c = 0; c < table.rows[r].size(); ++c) {
            const QVariant &value = table.rows[r][c];
            if (value.typeId() == QMetaType::QDateTime) {
                const QDate d = value.toDateTime().date();
                lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(sheet, lxw_row_t(r), lxw_col_t(c), &when, nullptr);
            } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), value.toDouble(), nullptr);
            } else if (!value.isNull()) {
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), value.toString().toUtf8().constData(), nullptr);
            }
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        throw Error(QStringLiteral("libxlsxwriter failed"));
}

QByteArray paintPdfRaw(const ReportTable &table)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setResolution(1200);
    writer.setPageLayout(reportPageLayout());
    QPainter painter(&writer);
    painter.setFont(QFont(PrintFont, 9));
    const int line = painter.fontMetrics().height() * 3 / 2;
    const int perPage = std::max(1, writer.height() / line - 2);
    const int column = writer.width() / std::max(1, int(table.columns.size()));
    for (int r = 0; r < table.rows.size(); ++r) {
        if (r > 0 && r % perPage == 0)
            writer.newPage();
        for (int c = 0; c < table.rows[r].size(); ++c)
            painter.drawText(c * column, (r % perPage + 1) * line, reportText(table.rows[r][c]));
    }
    painter.end();
    return pdf.data();
}

} // namespace

RosterOutputTimes measureRosterOutput(ClientScreens &ours, RawEngine &raw, const QVariant &group, int repeat)
{
    RosterOutputTimes times;
    QTemporaryDir folder;
    const QString statement = tsql::stripQualifiers(statements::rosterOfGroup(group));
    const ReportTable table = ours.rosterReport();
    const QByteArray csv = csvBytes(table);
    times.rows = int(table.rows.size());

    // What the print preview does: every page laid out and painted into pictures.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter *target) { printReportOn(*target, table); });
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setPageLayout(reportPageLayout());
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(folder.filePath(QStringLiteral("roster.pdf")));

    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        Samples skip;
        const auto into = [&](Samples &samples) -> Samples & { return i < 0 ? skip : samples; };
        timeOnce(into(times.read), [&] { ours.rosterReport(); });
        timeOnce(into(times.readRaw), [&] { raw.step(statement); });
        timeOnce(into(times.preview), [&] {
            preview.updatePreview();
            times.pages = preview.pageCount();
        });
        timeOnce(into(times.previewRaw), [&] { paintPdfRaw(table); });
        timeOnce(into(times.pdf), [&] { printReportOn(pdf, table); });
        timeOnce(into(times.pdfRaw), [&] { paintPdfRaw(table); });
        timeOnce(into(times.xlsx), [&] { saveSpreadsheet(table, folder.filePath(QStringLiteral("roster.xlsx")), SpreadsheetFormat::Xlsx); });
        timeOnce(into(times.xlsxRaw), [&] { writeXlsxRaw(table, folder.filePath(QStringLiteral("raw.xlsx"))); });
        timeOnce(into(times.csv), [&] { saveSpreadsheet(table, folder.filePath(QStringLiteral("roster.csv")), SpreadsheetFormat::Csv); });
        timeOnce(into(times.csvRaw), [&] { saveFileWhole(folder.filePath(QStringLiteral("raw.csv")), csv); });
    }
    return times;
}

void handRosterOnOnce(ClientScreens &ours)
{
    QTemporaryDir folder;
    const ReportTable table = ours.rosterReport();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter *target) { printReportOn(*target, table); });
    preview.updatePreview();
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setPageLayout(reportPageLayout());
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(folder.filePath(QStringLiteral("roster.pdf")));
    printReportOn(pdf, table);
    saveSpreadsheet(table, folder.filePath(QStringLiteral("roster.xlsx")), SpreadsheetFormat::Xlsx);
    saveSpreadsheet(table, folder.filePath(QStringLiteral("roster.csv")), SpreadsheetFormat::Csv);
}
