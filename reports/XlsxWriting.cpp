#include "reports/XlsxWriting.h"

#include "engine/Error.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <utility>

namespace qor {

namespace {

constexpr lxw_row_t HeadingRows = 4; // three lines and a blank one
constexpr lxw_row_t TitleRows = 2;
constexpr uint8_t PaperA4 = 9;

[[noreturn]] void fail(lxw_error error)
{
    throw Error(QStringLiteral("Не удалось составить файл Excel: %1").arg(QString::fromUtf8(lxw_strerror(error))));
}

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        fail(error);
}

// Excel's column width in characters of its default font for a width in pixels.
double excelWidth(int pixels)
{
    return std::max(3.0, (pixels - 5) / 7.0);
}

constexpr double WidestColumn = 80; // characters

// A column as wide as on screen, or wider where its title or a text would
// not fit on one line: a program that reads the file does not grow rows for
// wrapped text, and a clipped text is easily missed.
double columnWidth(const ReportTable &table, int column)
{
    const ReportColumn &described = table.columns[column];
    qsizetype longest = (described.lowerTitle.isEmpty() ? described.upperTitle : described.lowerTitle).size();
    for (const QList<QVariant> &row : table.rows) {
        const QVariant &value = row.value(column);
        if (value.typeId() == QMetaType::QString)
            longest = std::max(longest, value.toString().size());
        else if (value.typeId() == QMetaType::QDateTime)
            longest = std::max<qsizetype>(longest, value.toDateTime().time() == QTime(0, 0) ? 10 : 19);
    }
    return std::max(excelWidth(described.width), std::min(WidestColumn, longest * 1.1 + 1));
}

uint8_t excelAlignment(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return LXW_ALIGN_CENTER;
    if (alignment & Qt::AlignRight)
        return LXW_ALIGN_RIGHT;
    return LXW_ALIGN_LEFT;
}

// One sheet being written; the workbook is freed whatever happens.
class Sheet
{
public:
    explicit Sheet(const QString &file, const QString &tempFolder)
    {
        m_tempFolder = QFile::encodeName(tempFolder);
        lxw_workbook_options options{};
        options.tmpdir = m_tempFolder.data();
        m_book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
        if (!m_book)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        m_sheet = workbook_add_worksheet(m_book, "Список");
        if (!m_sheet)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    ~Sheet()
    {
        if (m_book)
            workbook_close(m_book); // after a failure only to free it
    }
    void close()
    {
        lxw_workbook *book = std::exchange(m_book, nullptr);
        check(workbook_close(book));
    }

    void writeHeading(const ReportTable &table)
    {
        lxw_format *subject = format({}, [](lxw_format *f) {
            format_set_bold(f);
            format_set_font_size(f, 13);
        });
        const QStringList lines = table.headingLines();
        for (int i = 0; i < lines.size(); ++i)
            writeText(lxw_row_t(i), 0, lines[i], i == 1 ? subject : nullptr);
    }

    void writeTitles(const ReportTable &table)
    {
        lxw_format *title = format(QStringLiteral("title"), [](lxw_format *f) {
            format_set_bold(f);
            format_set_border(f, LXW_BORDER_THIN);
            format_set_align(f, LXW_ALIGN_CENTER);
            format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
            format_set_text_wrap(f);
        });
        const lxw_row_t upper = HeadingRows, lower = HeadingRows + 1;
        for (int first = 0; first < table.columns.size();) {
            const ReportColumn &column = table.columns[first];
            const auto col = lxw_col_t(first);
            const int span = table.upperTitleSpan(first);
            if (column.lowerTitle.isEmpty())
                check(worksheet_merge_range(m_sheet, upper, col, lower, col, utf8(column.upperTitle), title));
            else if (span > 1)
                check(worksheet_merge_range(m_sheet, upper, col, upper, lxw_col_t(first + span - 1), utf8(column.upperTitle), title));
            else
                writeText(upper, col, column.upperTitle, title);
            for (int c = first; c < first + span; ++c) {
                if (!table.columns[c].lowerTitle.isEmpty())
                    writeText(lower, lxw_col_t(c), table.columns[c].lowerTitle, title);
            }
            first += span;
        }
        for (int c = 0; c < table.columns.size(); ++c)
            check(worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), columnWidth(table, c), nullptr));
    }

    void writeRows(const ReportTable &table)
    {
        const lxw_row_t first = HeadingRows + TitleRows;
        for (int r = 0; r < table.rows.size(); ++r) {
            const QList<QVariant> &row = table.rows[r];
            for (int c = 0; c < row.size() && c < table.columns.size(); ++c)
                writeValue(first + lxw_row_t(r), lxw_col_t(c), row[c], table.columns[c].alignment);
        }
    }

    void setUpPages()
    {
        const lxw_row_t firstData = HeadingRows + TitleRows;
        worksheet_freeze_panes(m_sheet, firstData, 0);
        check(worksheet_repeat_rows(m_sheet, HeadingRows, firstData - 1));
        worksheet_set_landscape(m_sheet);
        worksheet_set_paper(m_sheet, PaperA4);
        worksheet_fit_to_pages(m_sheet, 1, 0);
    }

private:
    enum class Kind { Text, Number, Date, DateTime };

    void writeValue(lxw_row_t row, lxw_col_t col, const QVariant &value, Qt::Alignment alignment)
    {
        if (!value.isValid() || value.isNull()) {
            check(worksheet_write_blank(m_sheet, row, col, cell(Kind::Text, alignment)));
            return;
        }
        switch (value.typeId()) {
        case QMetaType::QDateTime: {
            const QDateTime moment = value.toDateTime();
            const QDate date = moment.date();
            const QTime time = moment.time();
            if (date.year() < 1900) { // before Excel's calendar: kept as the text
                writeText(row, col, moment.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), cell(Kind::Text, alignment));
                return;
            }
            lxw_datetime when{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second() + time.msec() / 1000.0};
            check(worksheet_write_datetime(m_sheet, row, col, &when,
                                           cell(time == QTime(0, 0) ? Kind::Date : Kind::DateTime, alignment)));
            return;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            check(worksheet_write_number(m_sheet, row, col, value.toDouble(), cell(Kind::Number, alignment)));
            return;
        default:
            writeText(row, col, value.toString(), cell(Kind::Text, alignment));
        }
    }

    void writeText(lxw_row_t row, lxw_col_t col, const QString &text, lxw_format *format)
    {
        check(worksheet_write_string(m_sheet, row, col, utf8(text), format));
    }

    // A framed cell format of a kind and alignment, made once.
    lxw_format *cell(Kind kind, Qt::Alignment alignment)
    {
        const QString key = QStringLiteral("cell %1 %2").arg(int(kind)).arg(int(excelAlignment(alignment)));
        return format(key, [kind, alignment](lxw_format *f) {
            format_set_border(f, LXW_BORDER_THIN);
            format_set_align(f, excelAlignment(alignment));
            format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
            if (kind == Kind::Date)
                format_set_num_format(f, "dd.mm.yyyy");
            else if (kind == Kind::DateTime)
                format_set_num_format(f, "dd.mm.yyyy hh:mm:ss");
        });
    }

    template <typename Setup>
    lxw_format *format(const QString &key, Setup setup)
    {
        if (lxw_format *made = key.isEmpty() ? nullptr : m_formats.value(key))
            return made;
        lxw_format *made = workbook_add_format(m_book);
        if (!made)
            fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        setup(made);
        if (!key.isEmpty())
            m_formats.insert(key, made);
        return made;
    }

    // The library copies the text; the bytes need to live only for the call.
    const char *utf8(const QString &text)
    {
        m_text = text.toUtf8();
        return m_text.constData();
    }

    QByteArray m_tempFolder;
    QByteArray m_text;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QHash<QString, lxw_format *> m_formats;
};

} // namespace

QByteArray xlsxBytes(const ReportTable &table)
{
    // The library writes a named file: made in a folder of its own, read
    // back, and removed with the folder.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw Error(QStringLiteral("Не удалось создать временную папку: %1").arg(folder.errorString()));
    const QString file = folder.filePath(QStringLiteral("table.xlsx"));
    {
        Sheet sheet(file, folder.path());
        sheet.writeHeading(table);
        sheet.writeTitles(table);
        sheet.writeRows(table);
        sheet.setUpPages();
        sheet.close();
    }
    QFile made(file);
    if (!made.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удалось прочитать составленный файл Excel: %1").arg(made.errorString()));
    return made.readAll();
}

} // namespace qor
