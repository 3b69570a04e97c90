// The roster handed on: the two commands of the main window, the print
// preview and the PDF printed from it, the roster saved through the save
// dialog as .xlsx or CSV and read back apart from the client, and a save
// that cannot be written.
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "reports/CsvWriting.h"
#include "reports/SpreadsheetSaving.h"
#include "data/TDM.h"
#include "screens/ReportPreview.h"
#include "screens/TForm1.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <linux/capability.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace qor;

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qWarning() << program << arguments << process.readAllStandardError();
    return process.readAllStandardOutput();
}

// A sheet of an .xlsx read with unzip and the XML of the format: each
// cell's text (shared strings resolved, "_xHHHH_" escapes undone as a
// spreadsheet does), number and number format, the merged ranges, and
// whether every part read was well-formed.
struct SheetCells
{
    QHash<QString, QString> text;
    QHash<QString, double> number;
    QHash<QString, QString> format;
    QStringList merged;
    bool wellFormed = true;
};

QString unescapedOoxml(const QString &text)
{
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString shown;
    qsizetype from = 0;
    for (auto match = escape.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        shown += text.mid(from, m.capturedStart() - from) + QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    return shown + text.mid(from);
}

SheetCells readXlsx(const QString &file)
{
    SheetCells sheet;
    QStringList shared;
    QXmlStreamReader strings(run(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/sharedStrings.xml")}));
    while (!strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == u"si")
            shared.append(QString());
        else if (strings.isStartElement() && strings.name() == u"t")
            shared.last() += unescapedOoxml(strings.readElementText());
    }
    sheet.wellFormed = !strings.hasError();
    QHash<int, QString> codes{{14, QStringLiteral("m/d/yyyy")}};
    QList<int> styleFormats;
    QXmlStreamReader styles(run(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/styles.xml")}));
    bool inCellStyles = false;
    while (!styles.atEnd()) {
        styles.readNext();
        if (styles.isStartElement() && styles.name() == u"numFmt")
            codes.insert(styles.attributes().value(QLatin1String("numFmtId")).toInt(), styles.attributes().value(QLatin1String("formatCode")).toString());
        else if (styles.isStartElement() && styles.name() == u"cellXfs")
            inCellStyles = true;
        else if (styles.isEndElement() && styles.name() == u"cellXfs")
            inCellStyles = false;
        else if (inCellStyles && styles.isStartElement() && styles.name() == u"xf")
            styleFormats.append(styles.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    sheet.wellFormed = sheet.wellFormed && !styles.hasError();
    QXmlStreamReader xml(run(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QStringLiteral("xl/worksheets/sheet1.xml")}));
    QString cell, kind;
    int style = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            cell = xml.attributes().value(QLatin1String("r")).toString();
            kind = xml.attributes().value(QLatin1String("t")).toString();
            style = xml.attributes().value(QLatin1String("s")).toInt();
        } else if (xml.name() == u"v") {
            const QString value = xml.readElementText();
            if (kind == u"s")
                sheet.text.insert(cell, shared.value(value.toInt()));
            else {
                sheet.number.insert(cell, value.toDouble());
                sheet.format.insert(cell, codes.value(styleFormats.value(style)));
            }
        } else if (xml.name() == u"mergeCell") {
            sheet.merged.append(xml.attributes().value(QLatin1String("ref")).toString());
        }
    }
    sheet.wellFormed = sheet.wellFormed && !xml.hasError();
    return sheet;
}

// CSV fields with quotes undone.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> lines{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (quoted) {
            if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (ch == u'"')
                quoted = false;
            else
                field += ch;
        } else if (ch == u'"') {
            quoted = true;
        } else if (ch == u';') {
            lines.last().append(std::exchange(field, QString()));
        } else if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            lines.last().append(std::exchange(field, QString()));
            lines.append(QStringList());
            ++i;
        } else {
            field += ch;
        }
    }
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Days from Excel's day 0 to a date: how a date cell holds it.
double excelDay(const QDate &date)
{
    return QDate(1899, 12, 30).daysTo(date);
}

// A root test process would write anywhere: while alive, it meets the
// permissions of files and folders as a user does.
class WithoutOverride
{
public:
    WithoutOverride()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutOverride() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

// Runs the function under a limit on the size of the files the process
// writes, as a full disk fails a write; the limit's signal is ignored, so
// that the write fails instead of ending the process.
void withFileSizeLimit(rlim_t bytes, const std::function<void()> &fn)
{
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    });
    fn();
}

// Every file in a folder, hidden ones too.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// A roster of many rows for the workbook's parts to grow past a limit.
ReportTable longTable(int rows)
{
    ReportTable table;
    table.context = QStringLiteral("Подготовительное отделение");
    table.subject = QStringLiteral("Подготовка к поступлению: русский язык");
    table.asOf = QDate(2026, 9, 10);
    table.columns = {ReportColumn{QStringLiteral("n"), QStringLiteral("№ П/П"), {}},
                     ReportColumn{QStringLiteral("fio"), QStringLiteral("ФИО"), {}},
                     ReportColumn{QStringLiteral("reg"), QStringLiteral("Зачисление"), QStringLiteral("№")},
                     ReportColumn{QStringLiteral("date"), QStringLiteral("Зачисление"), QStringLiteral("Дата")}};
    for (int i = 1; i <= rows; ++i)
        table.rows.append({qlonglong(i), QStringLiteral("Слушатель Номер %1").arg(i, 3, 10, QChar(u'0')),
                           QStringLiteral("%1-к").arg(i), QDateTime(QDate(2026, 9, 6), QTime(0, 0))});
    return table;
}

template <typename T>
T *waitFor()
{
    T *found = nullptr;
    [&] { QTRY_VERIFY((found = qobject_cast<T *>(QApplication::activeModalWidget()))); }();
    return found;
}

} // namespace

class TestRosterOutput : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    DemoFixture *demo = nullptr;

    void pickGroup(const QString &faculty, const QString &group)
    {
        typeInto(Form1->facultyList(), faculty);
        typeInto(Form1->groupList(), group);
        QCOMPARE(Form1->groupList()->currentText().left(group.size()).toLower(), group.toLower());
    }
    QAction *action(const char *name) { return Form1->findChild<QAction *>(QString::fromLatin1(name)); }
    // The names of the roster on screen, in its order.
    QStringList rosterNames()
    {
        QStringList names;
        QAbstractItemModel *model = Form1->rosterGrid()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.append(model->index(row, 1).data().toString());
        return names;
    }
    // A group of the preparatory faculty with many students, for several pages.
    void fillLongRoster(int students)
    {
        auto db = demo->owner();
        db->execute(QStringLiteral("BEGIN"));
        for (int i = 1; i <= students; ++i) {
            db->execute(QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('Слушатель Номер %1')").arg(i, 3, 10, QChar(u'0')));
            db->execute(QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, "
                                       "come_date, come_reg) SELECT max(id_student), 6, 3, '2026-09-06 00:00:00', '%1-к' FROM s_fio")
                            .arg(i));
        }
        db->execute(QStringLiteral("COMMIT"));
    }
    QString pdfOfRoster()
    {
        const QString file = demo->dir.filePath(QStringLiteral("roster.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(reportPageLayout());
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printReportOn(printer, Form1->rosterReport());
        return file;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        mainWindow = new MainWindowFixture;
        demo = &mainWindow->demo;
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
    }
    void cleanup() { delete mainWindow; }

    void theCommandsWaitForAGroup()
    {
        auto *menu = Form1->findChild<QMenu *>(QStringLiteral("N1"));
        QStringList items;
        for (QAction *item : menu->actions())
            items.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(items, (QStringList{QStringLiteral("Группы слушателей"), QStringLiteral("Приказы на зачисление"),
                                     QStringLiteral("Приказы на отчисление"), QStringLiteral("-"),
                                     QStringLiteral("Печать списка группы…"), QStringLiteral("Сохранить список группы…"),
                                     QStringLiteral("-"), QStringLiteral("Найти слушателя…"), QStringLiteral("-"),
                                     QStringLiteral("Отчислить выбранных…"), QStringLiteral("Зачислить списком…"),
                                     QStringLiteral("Список по приказу…")}));
        QCOMPARE(action("N5")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        QCOMPARE(Form1->rosterGrid()->actions().mid(0, 2), (QList<QAction *>{action("N5"), action("N6")}));

        QVERIFY(!action("N5")->isEnabled());
        QVERIFY(!action("N6")->isEnabled());
        pickGroup(QStringLiteral("фак"), QStringLiteral("б"));
        QVERIFY(action("N5")->isEnabled());
        QVERIFY(action("N6")->isEnabled());

        // Another faculty: the group list no longer shows the group, whose
        // roster stays on screen and is what the commands hand on.
        typeInto(Form1->facultyList(), QStringLiteral("под"));
        QCOMPARE(Form1->groupList()->currentText(), QString());
        QVERIFY(action("N5")->isEnabled());
        QCOMPARE(Form1->rosterReport().subject, QStringLiteral("Бухгалтерский учёт и налогообложение"));
        QCOMPARE(Form1->rosterReport().context, QStringLiteral("Факультет повышения квалификации"));
    }

    // The preview opens on Ctrl+P with the row being edited written first.
    void thePreviewShowsWhatIsStored()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("б"));
        DataGrid *grid = Form1->rosterGrid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 3)); // come_reg of the first row
        type(QStringLiteral("77-к"));
        int pages = 0;
        qint64 stored = 0;
        QTimer::singleShot(0, this, [&] {
            auto *preview = waitFor<QPrintPreviewDialog>();
            if (!preview)
                return;
            const auto closeOnFailure = qScopeGuard([preview] { if (preview->isVisible()) preview->reject(); });
            QTRY_VERIFY(preview->findChild<QPrintPreviewWidget *>()->pageCount() > 0);
            pages = preview->findChild<QPrintPreviewWidget *>()->pageCount();
            stored = demo->owner()->select(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE come_reg = '77-к'")).integer(0, 0);
            QTest::keyClick(preview, Qt::Key_Escape);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(stored, 1);
        QCOMPARE(pages, 1);
        QVERIFY(mainWindow->boxes.isEmpty());
        QVERIFY(run(QStringLiteral("pdftotext"), {pdfOfRoster(), QStringLiteral("-")}).contains("77-к"));
    }

    void thePreviewPrintsFromTheKeyboard()
    {
        pickGroup(QStringLiteral("фак"), QStringLiteral("б"));
        bool printDialogShown = false;
        QTimer::singleShot(0, this, [&] {
            auto *preview = waitFor<QPrintPreviewDialog>();
            if (!preview)
                return;
            const auto closePreview = qScopeGuard([preview] { preview->reject(); });
            QTRY_COMPARE(QApplication::activeWindow(), preview);
            // The print dialog, or the PDF file dialog where no printer is set up.
            QTimer::singleShot(0, this, [&] {
                const auto printDialog = [] {
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if ((qobject_cast<QPrintDialog *>(w) || qobject_cast<QFileDialog *>(w)) && w->isVisible())
                            return qobject_cast<QDialog *>(w);
                    return static_cast<QDialog *>(nullptr);
                };
                QDialog *print = nullptr;
                QTRY_VERIFY((print = printDialog()));
                printDialogShown = true;
                print->reject();
            });
            QTest::keyClick(preview, Qt::Key_P, Qt::ControlModifier);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(printDialogShown);
    }

    void printingToPdf_data()
    {
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("faculty");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("groupName");
        QTest::addColumn<QString>("facultyName");
        QTest::newRow("the demo group on one page") << 0 << "фак" << "б" << "Бухгалтерский учёт и налогообложение"
                                                    << "Факультет повышения квалификации";
        QTest::newRow("120 students over pages") << 120 << "под" << "подготовка к поступлению: р"
                                                 << "Подготовка к поступлению: русский язык" << "Подготовительное отделение";
    }
    void printingToPdf()
    {
        QFETCH(int, added);
        QFETCH(QString, faculty);
        QFETCH(QString, group);
        QFETCH(QString, groupName);
        QFETCH(QString, facultyName);
        fillLongRoster(added);
        pickGroup(faculty, group);
        const QStringList names = rosterNames();
        QVERIFY(!names.isEmpty());
        const QString pdf = pdfOfRoster();

        const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
        const int pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
        QCOMPARE(pages > 1, added > 0);
        QStringList printedNames;
        for (int page = 1; page <= pages; ++page) {
            const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"),
                                                                                    QString::number(page), QStringLiteral("-l"),
                                                                                    QString::number(page), pdf, QStringLiteral("-")}));
            QCOMPARE(text.contains(facultyName), page == 1);
            QCOMPARE(text.contains(QStringLiteral("По состоянию на ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))), page == 1);
            for (const char *title : {"П/П", "ФИО", "Зачисление", "Отчисление", "Приказ", "Дата"})
                QVERIFY2(text.contains(QString::fromUtf8(title)), title);
            QVERIFY(text.contains(groupName)); // at the foot of every page
            QVERIFY(text.contains(QStringLiteral("Страница %1 из %2").arg(page).arg(pages)));
            for (const QString &name : names) {
                if (text.contains(name))
                    printedNames.append(name);
            }
        }
        QCOMPARE(printedNames, names); // each once, in order
    }

    void savingThroughTheDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("csvFilter");
        QTest::addColumn<QString>("written");
        QTest::newRow("xlsx") << "roster.xlsx" << false << "roster.xlsx";
        QTest::newRow("csv chosen as the type") << "roster" << true << "roster.csv";
    }
    void savingThroughTheDialog()
    {
        QFETCH(QString, typed);
        QFETCH(bool, csvFilter);
        QFETCH(QString, written);
        // A number with the CSV separator and quotes in it.
        demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET come_reg = '5;\"А\"' WHERE id_group_slushatel = 1 "
                                              "AND id_student = (SELECT id_student FROM s_fio WHERE s_fio = 'Иванов Иван Иванович')"));
        pickGroup(QStringLiteral("фак"), QStringLiteral("б"));
        const QStringList names = rosterNames();
        QCOMPARE(names.size(), 7);
        const QString folder = demo->dir.path();

        DataGrid *grid = Form1->rosterGrid();
        QTimer::singleShot(0, this, [&] {
            QMenu *menu = nullptr;
            QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
            QCOMPARE(menu->actions().mid(0, 2), (QList<QAction *>{action("N5"), action("N6")}));
            QTimer::singleShot(0, this, [&] {
                auto *dialog = waitFor<QFileDialog>();
                if (!dialog)
                    return;
                const auto closeOnFailure = qScopeGuard([dialog] { if (dialog->isVisible()) dialog->reject(); });
                dialog->setDirectory(folder); // where the user has gone
                if (csvFilter) {
                    auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                    types->setFocus();
                    QTest::keyClick(types, Qt::Key_Down);
                }
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                name->setFocus();
                name->selectAll();
                QTest::keyClicks(name, typed);
                QTest::keyClick(name, Qt::Key_Return);
            });
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(1)).center());
        });
        // A right click where the window system puts it: on the window.
        const QPoint onRow = grid->viewport()->mapTo(Form1, grid->visualRect(grid->model()->index(2, 1)).center());
        QTest::mouseClick(Form1->windowHandle(), Qt::RightButton, {}, onRow);
        QVERIFY(mainWindow->boxes.isEmpty());
        QVERIFY(QFile::exists(folder + u'/' + written));

        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        if (written.endsWith(u".xlsx")) {
            const SheetCells sheet = readXlsx(folder + u'/' + written);
            QCOMPARE(sheet.text.value(QStringLiteral("A1")), QStringLiteral("Факультет повышения квалификации"));
            QCOMPARE(sheet.text.value(QStringLiteral("A2")), QStringLiteral("Бухгалтерский учёт и налогообложение"));
            QCOMPARE(sheet.text.value(QStringLiteral("A3")), QStringLiteral("По состоянию на ") + today);
            const QStringList titles{QStringLiteral("A5"), QStringLiteral("B5"), QStringLiteral("C5"), QStringLiteral("C6"),
                                     QStringLiteral("D6"), QStringLiteral("E6"), QStringLiteral("F5"), QStringLiteral("H6")};
            QStringList shown;
            for (const QString &cell : titles)
                shown.append(sheet.text.value(cell));
            QCOMPARE(shown, (QStringList{QStringLiteral("№ П/П"), QStringLiteral("ФИО"), QStringLiteral("Зачисление"),
                                         QStringLiteral("Приказ"), QStringLiteral("№"), QStringLiteral("Дата"),
                                         QStringLiteral("Отчисление"), QStringLiteral("Дата")}));
            for (const char *range : {"A5:A6", "B5:B6", "C5:E5", "F5:H5"})
                QVERIFY2(sheet.merged.contains(QString::fromLatin1(range)), range);
            for (int i = 0; i < names.size(); ++i) {
                const QString row = QString::number(7 + i);
                QCOMPARE(sheet.number.value(u'A' + row), double(i + 1));
                QCOMPARE(sheet.text.value(u'B' + row), names[i]);
                QCOMPARE(sheet.number.value(u'E' + row), excelDay(QDate(2026, 9, 1))); // the group's enrolment day
                QCOMPARE(sheet.format.value(u'E' + row), QStringLiteral("dd.mm.yyyy"));
            }
            QVERIFY(sheet.text.values().contains(QStringLiteral("5;\"А\"")));
        } else {
            QFile file(folder + u'/' + written);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            const QList<QStringList> lines = readCsv(QString::fromUtf8(bytes.mid(3)));
            QCOMPARE(lines.size(), 1 + names.size());
            QCOMPARE(lines[0], (QStringList{QStringLiteral("№ П/П"), QStringLiteral("ФИО"), QStringLiteral("Зачисление: Приказ"),
                                            QStringLiteral("Зачисление: №"), QStringLiteral("Зачисление: Дата"),
                                            QStringLiteral("Отчисление: Приказ"), QStringLiteral("Отчисление: №"),
                                            QStringLiteral("Отчисление: Дата")}));
            for (int i = 0; i < names.size(); ++i) {
                QCOMPARE(lines[1 + i].size(), 8);
                QCOMPARE(lines[1 + i][0], QString::number(i + 1));
                QCOMPARE(lines[1 + i][1], names[i]);
                QCOMPARE(lines[1 + i][4], QStringLiteral("01.09.2026"));
            }
            QCOMPARE(lines[1 + names.indexOf(QStringLiteral("Иванов Иван Иванович"))][3], QStringLiteral("5;\"А\""));
        }
    }

    void csvTextsThatLookLikeFormulasStayTexts()
    {
        ReportTable table;
        table.columns = {ReportColumn{QStringLiteral("value"), QStringLiteral("Значение"), {}}};
        const QList<std::pair<QVariant, QString>> cases{
            {QStringLiteral("=HYPERLINK(\"http://x\";\"a\")"), QStringLiteral("'=HYPERLINK(\"http://x\";\"a\")")},
            {QStringLiteral("+7 900"), QStringLiteral("'+7 900")},
            {QStringLiteral("-к"), QStringLiteral("'-к")},
            {QStringLiteral("@SUM(A1)"), QStringLiteral("'@SUM(A1)")},
            {QStringLiteral("14-к"), QStringLiteral("14-к")},
            {QStringLiteral("Ёлкин"), QStringLiteral("Ёлкин")},
            {qlonglong(-5), QStringLiteral("-5")}, // a number is not a typed text
        };
        for (const auto &c : cases)
            table.rows.append({c.first});
        const QList<QStringList> lines = readCsv(QString::fromUtf8(csvBytes(table).mid(3)));
        for (qsizetype i = 0; i < cases.size(); ++i)
            QCOMPARE(lines.value(1 + i).value(0), cases[i].second);
    }

    // A disk that fills up part way (here a file size limit, which fails the
    // write the same way) must not put a cut-off file over the earlier one.
    void aSaveCutShortKeepsTheEarlierFile()
    {
        const QString file = demo->dir.filePath(QStringLiteral("roster.csv"));
        {
            QFile good(file);
            QVERIFY(good.open(QIODevice::WriteOnly));
            good.write("good");
        }
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString error = errorOf([&] { saveFileWhole(file, QByteArray(10000, 'x')); });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY2(error.startsWith(QStringLiteral("Не удалось записать файл")), qPrintable(error));
        QVERIFY(error.endsWith(QStringLiteral("Прежний файл остался как был.")));
        QFile good(file);
        QVERIFY(good.open(QIODevice::ReadOnly));
        QCOMPARE(good.readAll(), QByteArray("good"));
        QCOMPARE(QDir(demo->dir.path()).entryList({QStringLiteral("roster.csv*")}, QDir::Files), QStringList{QStringLiteral("roster.csv")});
    }

    // The library does not notice a failed write of its temporary parts: a
    // limit that cuts the sheet's part short, or the workbook itself, must
    // fail the save with the reason and leave the earlier file.
    void aWorkbookCutShortKeepsTheEarlierFile_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("error");
        const QString limited = QStringLiteral("Не удалось составить файл Excel во временной папке «%1»: файл больше предела "
                                               "размера файлов, установленного для программы (%2 байт). Попросите администратора "
                                               "снять этот предел. Прежний файл остался как был.");
        QTest::newRow("no limit") << 0 << QString();
        QTest::newRow("a part cut short") << 16384 << limited.arg(QDir::tempPath()).arg(16384);
        QTest::newRow("the workbook cut short") << 4096 << limited.arg(QDir::tempPath()).arg(4096);
    }
    void aWorkbookCutShortKeepsTheEarlierFile()
    {
        QFETCH(int, limit);
        QFETCH(QString, error);
        const ReportTable table = longTable(150);
        const QString folder = demo->dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/roster.xlsx");
        {
            QFile good(file);
            QVERIFY(good.open(QIODevice::WriteOnly));
            good.write("good");
        }
        QString shown;
        if (limit > 0)
            withFileSizeLimit(rlim_t(limit), [&] { shown = errorOf([&] { saveSpreadsheet(table, file, SpreadsheetFormat::Xlsx); }); });
        else
            shown = errorOf([&] { saveSpreadsheet(table, file, SpreadsheetFormat::Xlsx); });
        QCOMPARE(shown, error);
        QCOMPARE(filesIn(folder), QStringList{QStringLiteral("roster.xlsx")});
        if (error.isEmpty()) {
            const SheetCells sheet = readXlsx(file);
            QVERIFY(sheet.wellFormed);
            QCOMPARE(sheet.text.value(QStringLiteral("B156")), QStringLiteral("Слушатель Номер 150"));
        } else {
            QFile good(file);
            QVERIFY(good.open(QIODevice::ReadOnly));
            QCOMPARE(good.readAll(), QByteArray("good"));
        }
    }

    // Each text saved reads back as typed, except what the format cannot
    // hold, which reads as U+FFFD.
    void textsSaveAsTheyRead_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("inWorkbook");
        QTest::addColumn<QString>("inCsv");
        const QString replaced = QString(QChar(QChar::ReplacementCharacter));
        const QString nul = QStringLiteral("а") + QChar(u'\0') + QStringLiteral("б");
        QTest::newRow("an escape-like text") << "_x0041_" << "_x0041_" << "_x0041_";
        QTest::newRow("escape-like texts side by side") << "_x0041_x0042_" << "_x0041_x0042_" << "_x0041_x0042_";
        QTest::newRow("the escape of an underscore") << "_x005F_" << "_x005F_" << "_x005F_";
        QTest::newRow("an escape-like text before a CR") << "_x000D\r." << "_x000D\r." << "_x000D\r.";
        QTest::newRow("NUL") << nul << QStringLiteral("а") + replaced + QStringLiteral("б") << QStringLiteral("а") + replaced + QStringLiteral("б");
        QTest::newRow("a control character") << "a\x01" "b" << "a" + replaced + "b" << "a\x01" "b";
        QTest::newRow("U+FFFE") << QStringLiteral("x\uFFFEy") << "x" + replaced + "y" << QStringLiteral("x\uFFFEy");
        QTest::newRow("U+FFFF") << QStringLiteral("x\uFFFFy") << "x" + replaced + "y" << QStringLiteral("x\uFFFFy");
        QTest::newRow("a lone surrogate") << QStringLiteral("x") + QChar(0xD83D) + QStringLiteral("y") << "x" + replaced + "y" << "x" + replaced + "y";
        QTest::newRow("a surrogate pair") << QStringLiteral("x\U0001F600y") << QStringLiteral("x\U0001F600y") << QStringLiteral("x\U0001F600y");
        QTest::newRow("tab and line breaks") << "a\tb\nc\r\nd" << "a\tb\nc\r\nd" << "a\tb\nc\r\nd";
        QTest::newRow("markup") << "Ёлкин & <Ко> \"'" << "Ёлкин & <Ко> \"'" << "Ёлкин & <Ко> \"'";
    }
    void textsSaveAsTheyRead()
    {
        QFETCH(QString, typed);
        QFETCH(QString, inWorkbook);
        QFETCH(QString, inCsv);
        ReportTable table;
        table.context = typed;
        table.columns = {ReportColumn{QStringLiteral("value"), typed, {}}};
        table.rows = {{typed}};
        const QString workbook = demo->dir.filePath(QStringLiteral("texts.xlsx"));
        const QString csv = demo->dir.filePath(QStringLiteral("texts.csv"));
        QCOMPARE(errorOf([&] { saveSpreadsheet(table, workbook, SpreadsheetFormat::Xlsx); }), QString());
        QCOMPARE(errorOf([&] { saveSpreadsheet(table, csv, SpreadsheetFormat::Csv); }), QString());

        const SheetCells sheet = readXlsx(workbook);
        QVERIFY(sheet.wellFormed);
        QCOMPARE(sheet.text.value(QStringLiteral("A1")), inWorkbook); // the heading
        QCOMPARE(sheet.text.value(QStringLiteral("A5")), inWorkbook); // the title
        QCOMPARE(sheet.text.value(QStringLiteral("A7")), inWorkbook); // the row
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.contains('\0'));
        const QList<QStringList> lines = readCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(lines.value(0).value(0), inCsv);
        QCOMPARE(lines.value(1).value(0), inCsv);
    }

    // Each failure says one reason, true for the case, and what to do; a
    // name of the longest length allowed saves.
    void aSaveSaysWhyItFailed_data()
    {
        QTest::addColumn<QString>("name"); // "@" is the test's folder
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("asUser");
        QTest::addColumn<bool>("earlier"); // a file of the name saved before
        QTest::addColumn<QString>("error"); // empty: saved
        QTest::newRow("a system folder") << "/proc/test.csv" << 0 << false << false
                                         << "Не удалось записать файл «/proc/test.csv»: в папке «/proc» нельзя создавать файлы. "
                                            "Выберите другую папку.";
        QTest::newRow("a folder as the name") << "@/folder" << 0 << false << false
                                              << "Не удалось записать файл «@/folder»: «@/folder» — это папка, а не файл. "
                                                 "Введите имя файла.";
        QTest::newRow("no such folder") << "@/nowhere/roster.csv" << 0 << false << false
                                        << "Не удалось записать файл «@/nowhere/roster.csv»: папки «@/nowhere» нет. "
                                           "Выберите существующую папку.";
        QTest::newRow("a size limit") << "@/roster.csv" << 4096 << false << false
                                      << "Не удалось записать файл «@/roster.csv»: файл больше предела размера файлов, "
                                         "установленного для программы (4096 байт). Попросите администратора снять этот предел.";
        QTest::newRow("a read-only file") << "@/locked.csv" << 0 << true << false
                                          << "Не удалось записать файл «@/locked.csv»: файл открыт только для чтения. Снимите "
                                             "с него этот признак или сохраните под другим именем. Прежний файл остался как был.";
        QTest::newRow("a name of 255 bytes") << "@/" + QString(250, u'a') + ".xlsx" << 0 << false << false << QString();
        QTest::newRow("a Russian name of 255 bytes") << "@/" + QString(125, u'я') + "x.csv" << 0 << false << false << QString();
        QTest::newRow("a name of 255 bytes over an earlier file") << "@/" + QString(251, u'b') + ".csv" << 0 << false << true << QString();
        const QString tooLong = "@/" + QString(252, u'a') + ".csv";
        QTest::newRow("a name of 256 bytes") << tooLong << 0 << false << false
                                             << "Не удалось записать файл «" + tooLong + "»: имя файла слишком длинное. "
                                                "Сократите его: имя вмещает не больше 255 байт, а русская буква занимает два.";
    }
    void aSaveSaysWhyItFailed()
    {
        QFETCH(QString, name);
        QFETCH(int, limit);
        QFETCH(bool, asUser);
        QFETCH(bool, earlier);
        QFETCH(QString, error);
        const QString folder = demo->dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/folder")));
        {
            QFile locked(folder + QStringLiteral("/locked.csv"));
            QVERIFY(locked.open(QIODevice::WriteOnly));
            locked.write("good");
            locked.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        name.replace(u'@', folder);
        if (earlier) {
            QFile saved(name);
            QVERIFY(saved.open(QIODevice::WriteOnly));
            saved.write("good");
        }
        const QStringList before = filesIn(folder);
        error.replace(u'@', folder);
        const QByteArray bytes(10000, 'x');
        QString shown;
        const auto save = [&] { shown = errorOf([&] { saveFileWhole(name, bytes); }); };
        if (limit > 0) {
            withFileSizeLimit(rlim_t(limit), save);
        } else if (asUser) {
            const WithoutOverride user;
            save();
        } else {
            save();
        }
        QCOMPARE(shown, error);
        if (error.isEmpty()) {
            QFile saved(name);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), bytes);
            QStringList after = QStringList(before) << QFileInfo(name).fileName();
            after.removeDuplicates();
            after.sort();
            QCOMPARE(filesIn(folder), after);
        } else {
            QCOMPARE(filesIn(folder), before);
            QFile locked(folder + QStringLiteral("/locked.csv"));
            QVERIFY(locked.open(QIODevice::ReadOnly));
            QCOMPARE(locked.readAll(), QByteArray("good"));
        }
    }

    void aSaveThatCannotBeWrittenLeavesNoFile_data()
    {
        QTest::addColumn<bool>("earlierFile");
        QTest::newRow("new file") << false;
        QTest::newRow("over an earlier file") << true;
    }
    void aSaveThatCannotBeWrittenLeavesNoFile()
    {
        QFETCH(bool, earlierFile);
        pickGroup(QStringLiteral("фак"), QStringLiteral("б"));
        const QString folder = demo->dir.filePath(QStringLiteral("read-only"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/roster.xlsx");
        if (earlierFile) {
            QFile good(file);
            QVERIFY(good.open(QIODevice::WriteOnly));
            good.write("good");
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        QString error;
        {
            const WithoutOverride asUser;
            error = errorOf([&] { saveSpreadsheet(Form1->rosterReport(), file, SpreadsheetFormat::Xlsx); });
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(error.startsWith(QStringLiteral("Не удалось записать файл «%1»: нет права на запись в папку «%2»").arg(file, folder)),
                 qPrintable(error));
        QCOMPARE(error.endsWith(QStringLiteral("Прежний файл остался как был.")), earlierFile);
        QCOMPARE(QDir(folder).entryList(QDir::Files), earlierFile ? QStringList{QStringLiteral("roster.xlsx")} : QStringList{});
        if (earlierFile) {
            QFile good(file);
            QVERIFY(good.open(QIODevice::ReadOnly));
            QCOMPARE(good.readAll(), QByteArray("good"));
        }
    }
};

QTEST_MAIN(TestRosterOutput)
#include "tst_rosteroutput.moc"
