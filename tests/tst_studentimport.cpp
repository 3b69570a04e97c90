// Students imported from spreadsheets into the demo database: the titles in
// their variants, the encodings and separators of CSV, .xlsx as Excel
// writes it and in both date systems, .ods with repeated rows, names
// already there by their normalised form, namesakes, unknown groups, files
// that cannot be read; and the one transaction, left whole by a refused
// row, a failure halfway and a cancel.
#include "DemoFixture.h"

#include "data/Connection.h"
#include "data/StudentImport.h"
#include "engine/TextCodec.h"
#include "sheets/CsvWorkbook.h"
#include "sheets/Workbook.h"
#include "tools/AdminCommands.h"

#include <QFile>
#include <QTest>

#include <xlsxwriter.h>
#include <zip.h>

using namespace qor;

namespace {

// One row of a sheet to write: texts, and where a day is wanted, a QDate.
using Row = QList<QVariant>;

// A zip archive of the parts, the first stored unpacked (as ODS wants its mimetype).
QByteArray zipOf(const QList<std::pair<QString, QByteArray>> &parts)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/parts.zip");
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    std::vector<QByteArray> kept; // libzip reads the buffers when it closes
    for (qsizetype i = 0; i < parts.size(); ++i) {
        kept.push_back(parts[i].second);
        zip_source_t *source = zip_source_buffer(zip, kept.back().constData(), zip_uint64_t(kept.back().size()), 0);
        const zip_int64_t index = zip_file_add(zip, parts[i].first.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        if (i == 0)
            zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    zip_close(zip);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A workbook as Excel writes it (libxlsxwriter): shared strings, or inline
// ones when written row by row; days as numbers shown as dates.
QByteArray excelWorkbook(const QList<Row> &rows, bool inlineStrings = false)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path() + QStringLiteral("/book.xlsx"));
    lxw_workbook_options options{};
    options.constant_memory = inlineStrings;
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Слушатели");
    lxw_format *day = workbook_add_format(book);
    format_set_num_format(day, "dd.mm.yyyy");
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant &value = rows[r][c];
            if (value.typeId() == QMetaType::QDate) {
                const QDate d = value.toDate();
                lxw_datetime when{d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(sheet, lxw_row_t(r), lxw_col_t(c), &when, day);
            } else if (!value.toString().isEmpty()) {
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), value.toString().toUtf8().constData(),
                                       nullptr);
            }
        }
    }
    workbook_close(book);
    QFile file(QString::fromLocal8Bit(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A workbook of the 1904 date system, made part by part: its texts inline,
// its days numbers in a date style of its own.
QByteArray workbookOf1904(const QString &name, const QString &group, const QDate &day)
{
    const QByteArray types = R"(<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
</Types>)";
    const QByteArray rels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>)";
    const QByteArray workbook = R"(<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<workbookPr date1904="1"/><sheets><sheet name="Мак" sheetId="1" r:id="rId7"/></sheets></workbook>)";
    const QByteArray workbookRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/list.xml"/>
</Relationships>)";
    const QByteArray styles = R"(<?xml version="1.0" encoding="UTF-8"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="1"><numFmt numFmtId="170" formatCode="d\ mmmm\ yyyy&quot; г.&quot;"/></numFmts>
<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="170"/></cellXfs></styleSheet>)";
    const qint64 serial = QDate(1904, 1, 1).daysTo(day);
    const QByteArray sheet = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="inlineStr"><is><t>ФИО</t></is></c><c r="B1" t="inlineStr"><is><t>Группа</t></is></c><c r="C1" t="inlineStr"><is><t>Дата приказа</t></is></c></row>
<row r="3"><c r="A3" t="inlineStr"><is><r><t>%1</t></r><r><t xml:space="preserve"> Антон_x0020_</t></r></is></c><c r="B3" t="inlineStr"><is><t>%2</t></is></c><c r="C3" s="1"><v>%3</v></c></row>
</sheetData></worksheet>)")
                                 .arg(name, group)
                                 .arg(serial)
                                 .toUtf8();
    return zipOf({{QStringLiteral("[Content_Types].xml"), types},
                  {QStringLiteral("_rels/.rels"), rels},
                  {QStringLiteral("xl/workbook.xml"), workbook},
                  {QStringLiteral("xl/_rels/workbook.xml.rels"), workbookRels},
                  {QStringLiteral("xl/styles.xml"), styles},
                  {QStringLiteral("xl/worksheets/list.xml"), sheet}});
}

// An OpenDocument spreadsheet of the table rows given as XML.
QByteArray spreadsheetOf(const QByteArray &tableRows)
{
    const QByteArray content = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"><office:body><office:spreadsheet>
<table:table table:name="Лист1"><table:table-column table:number-columns-repeated="3"/>)"
                               + tableRows
                               + R"(</table:table></office:spreadsheet></office:body></office:document-content>)";
    const QByteArray manifest = R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>)";
    return zipOf({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
                  {QStringLiteral("content.xml"), content},
                  {QStringLiteral("META-INF/manifest.xml"), manifest}});
}

QByteArray odsCell(const QString &text)
{
    return "<table:table-cell office:value-type=\"string\"><text:p>" + text.toUtf8() + "</text:p></table:table-cell>";
}

QByteArray windows1251(const QString &text)
{
    return toWindows1251(text);
}

} // namespace

class TestStudentImport : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    Connection *connection = nullptr;

    qint64 count(const QString &sql) { return demo->owner()->select(sql).integer(0, 0); }
    QString place(const QString &name, const QByteArray &bytes)
    {
        const QString path = demo->dir.path() + u'/' + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    // Everything the import may change, counted.
    QList<qint64> contents()
    {
        return {count(QStringLiteral("SELECT count(*) FROM s_fio")),
                count(QStringLiteral("SELECT count(*) FROM movement_slushatel")),
                count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel"))};
    }
    ImportPlan importFile(const QString &path, const ImportOptions &options = {}, const ImportProgress &progress = {})
    {
        const ImportSheet sheet = ImportFile(path).readSheet(0);
        ImportPlan plan;
        connection->inTransaction(
            [&](Engine &engine) { plan = importStudents(engine, sheet, sheet.mapping, options, progress); });
        return plan;
    }

private slots:
    void init()
    {
        demo = new DemoFixture;
        connection = new Connection;
        connection->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
    }
    void cleanup()
    {
        delete connection;
        delete demo;
    }

    void listsAreImportedAsTheyRead_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("namesakes");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("alreadyThere");
        QTest::addColumn<int>("placed");
        QTest::addColumn<QList<int>>("refused");
        QTest::addColumn<int>("blank");

        QTest::newRow("xlsx as Excel writes it: ФИО, a group's short or full name, a date cell, ё/е and blanks")
            << "list.xlsx"
            << excelWorkbook(
                   {{QStringLiteral("ФИО"), QStringLiteral("Группа"), QStringLiteral("Приказ"),
                     QStringLiteral("№ приказа"), QStringLiteral("Дата приказа")},
                    {QStringLiteral("Новиков Олег Петрович"), QStringLiteral("ПК-102"),
                     QStringLiteral("О зачислении слушателей ФПК"), QStringLiteral("15-к"), QDate(2026, 9, 1)},
                    {QStringLiteral("ЕЛКИНА  мария петровна"), QStringLiteral("управление персоналом")},
                    {QStringLiteral("   ")},
                    {QStringLiteral("Иванов Иван Иванович"), QStringLiteral("Бухгалтерский учёт и налогообложение")}})
            << false << 1 << 2 << 2 << QList<int>{} << 1;
        QTest::newRow("inline strings: Фамилия, Имя, Отчество, Номер приказа; the same person twice")
            << "parts.xlsx"
            << excelWorkbook({{QStringLiteral(" фамилия "), QStringLiteral("Имя"), QStringLiteral("Отчество"),
                               QStringLiteral("Группа"), QStringLiteral("Номер приказа")},
                              {QStringLiteral("Зайцев"), QStringLiteral("Пётр"), QString(), QStringLiteral("ПК-101"),
                               QStringLiteral("7")},
                              {QStringLiteral("Зайцев"), QStringLiteral("Петр"), QString(), QStringLiteral("ПК-101"),
                               QStringLiteral("7")},
                              {QStringLiteral("Попов"), QString(), QStringLiteral("Ильич")}},
                             true)
            << false << 1 << 1 << 1 << QList<int>{4} << 0;
        QTest::newRow("Windows-1251 CSV, semicolons, a quoted separator and line break, an unknown group")
            << "list.csv"
            << windows1251(QStringLiteral("ФИО;Группа\r\n\"Смит; Джон\";ПО-2\r\nОрлова Екатерина Игоревна;Нет такой\r\n"
                                          "\"Многострочное\r\nимя\";\r\n"))
            << false << 2 << 0 << 1 << QList<int>{3} << 0;
        QTest::newRow("UTF-8 CSV with its mark, commas: a name too long, a date that is no date, a date in words")
            << "marked.csv"
            << (QByteArray("\xEF\xBB\xBF")
                + QStringLiteral("ФИО,Группа,Дата приказа\n%1,,\nКузнецов Пётр,ПК-101,32.13.2026\n"
                                 "Кузнецов Пётр,ПК-101,1 сентября 2026 г.\n")
                      .arg(QString(101, u'я'))
                      .toUtf8())
            << false << 1 << 0 << 1 << QList<int>{2, 3} << 0;
        QTest::newRow("tab-separated UTF-8 without a mark")
            << "tabs.txt" << QStringLiteral("Фамилия\tИмя\nЛебедев\tИлья\n").toUtf8() << false << 1 << 0 << 0
            << QList<int>{} << 0;
        QTest::newRow("ods: a heading above the titles, a date cell, a row repeated")
            << "list.ods"
            << spreadsheetOf("<table:table-row>" + odsCell(QStringLiteral("Список на зачисление")) + "</table:table-row>"
                             "<table:table-row>" + odsCell(QStringLiteral("ФИО")) + odsCell(QStringLiteral("Группа"))
                             + odsCell(QStringLiteral("Дата приказа")) + "</table:table-row>"
                             "<table:table-row>" + odsCell(QStringLiteral("Лебедев Илья")) + odsCell(QStringLiteral("ПО-2"))
                             + "<table:table-cell office:value-type=\"date\" office:date-value=\"2026-09-01\"><text:p>01.09.26</text:p></table:table-cell></table:table-row>"
                             "<table:table-row table:number-rows-repeated=\"2\">" + odsCell(QStringLiteral("Лебедев  Илья"))
                             + odsCell(QStringLiteral("ПО-2")) + "</table:table-row>"
                             "<table:table-row table:number-rows-repeated=\"1048571\"><table:table-cell table:number-columns-repeated=\"3\"/></table:table-row>")
            << false << 1 << 2 << 1 << QList<int>{} << 0;
        QTest::newRow("namesakes added as new students when chosen")
            << "namesakes.csv" << QStringLiteral("ФИО\nИванов Иван Иванович\nиванов иван иванович\n").toUtf8() << true
            << 2 << 0 << 0 << QList<int>{} << 0;
        QTest::newRow("namesakes otherwise: already there")
            << "same.csv" << QStringLiteral("ФИО\nИванов Иван Иванович\nиванов иван иванович\n").toUtf8() << false << 0
            << 2 << 0 << QList<int>{} << 0;
    }
    void listsAreImportedAsTheyRead()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, namesakes);
        QFETCH(int, added);
        QFETCH(int, alreadyThere);
        QFETCH(int, placed);
        QFETCH(QList<int>, refused);
        QFETCH(int, blank);
        const QList<qint64> before = contents();
        ImportOptions options;
        options.namesakes = namesakes;
        const ImportPlan plan = importFile(place(file, bytes), options);
        QCOMPARE(plan.added, added);
        QCOMPARE(plan.alreadyThere, alreadyThere);
        QCOMPARE(plan.placed, placed);
        QCOMPARE(plan.refusedRows, refused);
        QCOMPARE(plan.blank, blank);
        const QList<qint64> after = contents();
        QCOMPARE(after[0] - before[0], added);
        QCOMPARE(after[1] - before[1], placed);
    }

    void whatIsWrittenIsWhatTheRowsSay()
    {
        importFile(
            place(QStringLiteral("list.xlsx"),
                  excelWorkbook({{QStringLiteral("ФИО"), QStringLiteral("Группа"), QStringLiteral("Приказ"),
                                  QStringLiteral("№ приказа"), QStringLiteral("Дата приказа")},
                                 {QStringLiteral(" Новиков  Олег Петрович "), QStringLiteral("пк-102"),
                                  QStringLiteral("О новом наборе"), QStringLiteral("15'к"), QDate(2026, 9, 1)}})));
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Новиков Олег Петрович' COLLATE BINARY")),
            1);
        QCOMPARE(
            count(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel WHERE prikaz_come = 'О новом наборе'")),
            1);
        QCOMPARE(
            count(QStringLiteral(
                "SELECT count(*) FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student "
                "JOIN prikaz_come_slushatel p ON p.id_prikaz_come_slushatel = m.id_prikaz_come_slushatel "
                "WHERE s.s_fio = 'Новиков Олег Петрович' AND m.id_group_slushatel = 2 AND p.prikaz_come = 'О новом наборе' "
                "AND m.come_reg = '15''к' AND m.come_date = '2026-09-01 00:00:00' AND m.leave_date IS NULL")),
            1);
    }

    void daysOfThe1904SystemAreTheirOwn()
    {
        const QDate day(2026, 9, 1);
        const ImportPlan plan = importFile(
            place(QStringLiteral("mac.xlsx"), workbookOf1904(QStringLiteral("Белов"), QStringLiteral("ПК-101"), day)));
        QCOMPARE(plan.rows.size(), size_t(1));
        QCOMPARE(plan.rows[0].number, 3);
        QCOMPARE(plan.rows[0].name, QStringLiteral("Белов Антон"));
        QCOMPARE(plan.rows[0].orderDate, day);
        QCOMPARE(
            count(QStringLiteral(
                "SELECT count(*) FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student "
                "WHERE s.s_fio = 'Белов Антон' AND m.come_date = '2026-09-01 00:00:00' AND m.id_group_slushatel = 1")),
            1);
    }

    void aCsvTellsItsEncodingAndSeparator_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("separator");
        QTest::newRow("Windows-1251, semicolons")
            << windows1251(QStringLiteral("ФИО;Группа\n")) << int(CsvWorkbook::Encoding::Windows1251) << ";";
        QTest::newRow("UTF-8, commas") << QStringLiteral("ФИО,Группа\n").toUtf8() << int(CsvWorkbook::Encoding::Utf8)
                                       << ",";
        QTest::newRow("UTF-16 with its mark, tabs")
            << (QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(u"ФИО\tГруппа\n"), 22))
            << int(CsvWorkbook::Encoding::Utf16LE) << "\t";
        QTest::newRow("separators inside quotes do not count")
            << QStringLiteral("\"a,b,c\";x\n").toUtf8() << int(CsvWorkbook::Encoding::Utf8) << ";";
    }
    void aCsvTellsItsEncodingAndSeparator()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, separator);
        const CsvWorkbook csv(place(QStringLiteral("x.csv"), bytes));
        QCOMPARE(int(csv.encoding()), encoding);
        QCOMPARE(QString(csv.separator()), separator);
    }

    void filesThatCannotBeImportedSaySo_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // its beginning
        const QByteArray book = excelWorkbook({{QStringLiteral("ФИО")}, {QStringLiteral("Новиков Олег")}});
        QTest::newRow("an empty file") << "empty.csv" << QByteArray() << "Файл «empty.csv» пуст.";
        QTest::newRow("a damaged workbook")
            << "broken.xlsx" << book.left(book.size() / 2) << "Файл «broken.xlsx» повреждён";
        // Its parts changed here and there, the directory at its end whole.
        QByteArray corrupted = book;
        for (qsizetype at = 64; at < corrupted.size() * 7 / 10; at += 16)
            corrupted[at] = char(corrupted[at] ^ 0x5A);
        QTest::newRow("a workbook whose part is corrupted")
            << "corrupted.xlsx" << corrupted << "Файл «corrupted.xlsx» повреждён";
        QTest::newRow("a password-protected workbook")
            << "secret.xlsx"
            << (QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0')
                + QByteArray("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28))
            << "Книга «secret.xlsx» защищена паролем";
        QTest::newRow("an old .xls") << "old.xls"
                                     << (QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'))
                                     << "Файл «old.xls» — книга старого формата Excel (.xls)";
        QTest::newRow("a file that is no text") << "picture.csv" << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)
                                                << "Файл «picture.csv» — не книга .xlsx или .ods и не текст CSV";
        QTest::newRow("no recognisable titles") << "plain.csv" << QStringLiteral("Имя;Возраст\nОлег;30\n").toUtf8()
                                                << "В файле «plain.csv» не найдена строка заголовков";
        QByteArray many = "ФИО\n";
        for (int i = 0; i <= MostImportRows; ++i)
            many += "Ученик " + QByteArray::number(i) + '\n';
        QTest::newRow("a sheet of more than 200,000 rows")
            << "big.csv" << many << "В файле «big.csv» больше 200\u00A0000 строк";
        QTest::newRow("an ods of a million rows")
            << "million.ods"
            << spreadsheetOf("<table:table-row>" + odsCell(QStringLiteral("ФИО")) + "</table:table-row>"
                             "<table:table-row table:number-rows-repeated=\"1000000\">" + odsCell(QStringLiteral("Ученик"))
                             + "</table:table-row>")
            << "В листе «Лист1» файла «million.ods» больше 200\u00A0000 строк";
    }
    void filesThatCannotBeImportedSaySo()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const QList<qint64> before = contents();
        const QString path = place(file, bytes);
        const QString text = errorOf([&] { admin::importStudents(demo->databaseFile(), path, false, false); });
        QVERIFY2(text.startsWith(error), qPrintable(text));
        QCOMPARE(contents(), before);
    }

    void aRefusedRowLeavesTheOthersWrittenOrNothingAtAll()
    {
        const QString path = place(QStringLiteral("mixed.csv"), QStringLiteral("ФИО;Группа\nНовиков Олег;ПК-101\n"
                                                                               "Петров Пётр;Нет такой\nСоколов Глеб;\n")
                                                                    .toUtf8());
        const QList<qint64> before = contents();
        // By the command, for scripts: nothing, and why.
        const QString error = errorOf([&] { admin::importStudents(demo->databaseFile(), path, false, false); });
        QVERIFY2(error.startsWith(QStringLiteral("В базу ничего не записано: отказано в 1 строке.")),
                 qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("строка 3: группы «Нет такой» нет")));
        QCOMPARE(contents(), before);
        QVERIFY(errorOf([&] {
                    admin::importStudents(demo->databaseFile(), path, true, false);
                }).startsWith(QStringLiteral("В базу ничего не записано")));
        QCOMPARE(contents(), before);

        // By the window: the other rows, and the refused one named.
        const ImportPlan plan = importFile(path);
        QCOMPARE(plan.refusedRows, QList<int>{3});
        QVERIFY(importSummary(plan).contains(QStringLiteral("Отказано: 1 (строка 3)")));
        QCOMPARE(contents()[0], before[0] + 2);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Петров Пётр'")), 0);
    }

    void aFailureHalfwayOrACancelWritesNothing()
    {
        // The database refuses the last placement, after the students and the new order were inserted.
        demo->owner()->execute(
            QStringLiteral("CREATE TRIGGER refuse_one BEFORE INSERT ON movement_slushatel "
                           "WHEN NEW.come_reg = 'СБОЙ' BEGIN SELECT RAISE(ABORT, 'Сбой записи'); END"));
        QString list = QStringLiteral("ФИО;Группа;Приказ;№ приказа\n");
        for (int i = 0; i < 1200; ++i)
            list += QStringLiteral("Ученик %1;ПК-101;Новый приказ;%2\n")
                        .arg(i)
                        .arg(i == 1199 ? QStringLiteral("СБОЙ") : QStringLiteral("1"));
        const QString path = place(QStringLiteral("long.csv"), list.toUtf8());
        const QList<qint64> before = contents();
        QCOMPARE(errorOf([&] { importFile(path); }), QStringLiteral("Сбой записи"));
        QCOMPARE(contents(), before);

        int asked = 0;
        const QString cancelled = errorOf([&] {
            importFile(path, {}, [&](double share) {
                ++asked;
                return share < 0.5;
            });
        });
        QCOMPARE(cancelled, QStringLiteral("Импорт отменён. В базу ничего не записано."));
        QVERIFY(asked > 2);
        QCOMPARE(contents(), before);
        QVERIFY(!connection->isConnected()); // nothing left open
    }

    void theCommandSaysWhatItDid()
    {
        const QString path = place(QStringLiteral("ok.csv"),
                                   QStringLiteral("ФИО;Группа;Приказ\nНовиков Олег;ПК-101;О новом наборе\n").toUtf8());
        const QString dry = admin::importStudents(demo->databaseFile(), path, true, false);
        QCOMPARE(
            dry,
            QStringLiteral(
                "Проверка: в базу ничего не записано.\nБудет добавлено слушателей: 1\nУже есть в базе: 0\n"
                "Будет включено в группы: 1\nБудут добавлены приказы на зачисление: «О новом наборе»\nОтказано: 0"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 24);
        QCOMPARE(admin::importStudents(demo->databaseFile(), path, false, false),
                 QStringLiteral("Добавлено слушателей: 1\nУже были в базе: 0\nВключено в группы: 1\n"
                                "Добавлены приказы на зачисление: «О новом наборе»\nОтказано: 0"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio")), 25);
    }
};

QTEST_MAIN(TestStudentImport)
#include "tst_studentimport.moc"
