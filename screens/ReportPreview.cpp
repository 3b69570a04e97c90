#include "screens/ReportPreview.h"

#include "controls/MessageBoxes.h"
#include "reports/ReportPages.h"
#include "controls/UserAction.h"
#include "reports/SpreadsheetSaving.h"
#include "screens/QtRussianTexts.h"
#include "screens/ReportSaving.h"

#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qor {

namespace {

const QString PrintFont = QStringLiteral("Liberation Sans");

bool printsToPdfFile(QPrinter &printer)
{
    // The preview paints into pictures on the same printer: never a file.
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()
           && printer.paintEngine()->type() != QPaintEngine::Picture;
}

// The preview's toolbar takes no focus: its print button gets Ctrl+P, the
// key that opened the preview, so that printing needs no mouse.
void printFromTheKeyboard(QPrintPreviewDialog &dialog)
{
    const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction *action : dialog.findChildren<QAction *>()) {
        if (action->text() == print) {
            action->setShortcut(QKeySequence::Print);
            action->setShortcutContext(Qt::WindowShortcut);
            action->setToolTip(QStringLiteral("%1 (%2)").arg(print, QKeySequence(QKeySequence::Print).toString(QKeySequence::NativeText)));
        }
    }
}

} // namespace

QPageLayout reportPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 10, 10, 10), QPageLayout::Millimeter);
}

void printReportOn(QPrinter &printer, const ReportTable &table)
{
    const bool range = printer.printRange() == QPrinter::PageRange;
    const int first = range ? printer.fromPage() : 0;
    const int last = range ? printer.toPage() : 0;
    if (!printsToPdfFile(printer)) {
        printReport(table, printer, PrintFont, first, last);
        return;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(printer.resolution());
        writer.setPageLayout(printer.pageLayout());
        writer.setTitle(table.subject);
        writer.setCreator(printer.creator());
        printReport(table, writer, PrintFont, first, last);
    }
    saveFileWhole(printer.outputFileName(), pdf.data());
}

void previewReport(QWidget *parent, const QString &caption, const ReportTable &table)
{
    const QtRussianTexts russian;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    // The print dialog offers the document's name as the PDF's file name.
    printer.setDocName(suggestedFileName(table));
    printer.setCreator(applicationTitle());
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(caption);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        runUserAction([&] { printReportOn(*target, table); });
    });
    printFromTheKeyboard(dialog);
    dialog.resize(1000, 700);
    dialog.exec();
}

} // namespace qor
