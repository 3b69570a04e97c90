#include "reports/XlsxWriting.h"

#include "engine/Error.h"
#include "reports/WriteFailure.h"
#include "reports/ZipReading.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace qor {

namespace {

constexpr lxw_row_t HeadingRows = 4; // three lines and a blank one
constexpr lxw_row_t TitleRows = 2;
constexpr uint8_t PaperA4 = 9;

// A call of the library that failed; said in the user's words where the
// folder and the size of the work are known.
struct LibraryFailure
{
    lxw_error error;
};

[[noreturn]] void fail(lxw_error error)
{
    throw LibraryFailure{error};
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

// A text as the workbook can hold it and a spreadsheet shows it. XML has no
// place for control characters other than tab and the line breaks, for
// U+FFFE and U+FFFF or for half a surrogate pair: each becomes U+FFFD, the
// replacement character (a NUL would even end the text the library is
// handed). A spreadsheet reads "_xHHHH_" as the escape of a character, so
// an underscore starting one is itself written as the escape "_x005F_";
// the same before a CR, which the library writes as "_x000D_".
QString workbookText(const QString &text)
{
    QString held;
    held.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            held += ch;
            held += text[++i];
            continue;
        }
        const char16_t code = ch.unicode();
        const bool unheld = (code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r') || code == 0xFFFE
                            || code == 0xFFFF || ch.isSurrogate();
        held += unheld ? QChar(QChar::ReplacementCharacter) : ch;
    }
    static const QRegularExpression escapeStart(QStringLiteral("_(?=x[0-9A-Fa-f]{4}[_\r])"));
    return held.replace(escapeStart, QStringLiteral("_x005F_"));
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

    // The notes below the rows after a blank row, each in the first cell.
    void writeNotes(const ReportTable &table)
    {
        const lxw_row_t first = HeadingRows + TitleRows + lxw_row_t(table.rows.size()) + 1;
        for (int i = 0; i < table.notes.size(); ++i)
            writeText(first + lxw_row_t(i), 0, table.notes[i], nullptr);
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
        m_text = workbookText(text).toUtf8();
        return m_text.constData();
    }

    QByteArray m_tempFolder;
    QByteArray m_text;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QHash<QString, lxw_format *> m_formats;
};

// The most bytes a part of the workbook could take: the sheet with every
// text three bytes a character and each cell's markup, and room for the rest.
qint64 largestPartBound(const ReportTable &table)
{
    qint64 bytes = 64 * 1024;
    for (const QString &line : table.headingLines() + table.notes)
        bytes += 3 * line.size() + 100;
    for (const ReportColumn &column : table.columns)
        bytes += 3 * (column.upperTitle.size() + column.lowerTitle.size()) + 200;
    for (const QList<QVariant> &row : table.rows) {
        bytes += 100;
        for (const QVariant &value : row)
            bytes += 100 + (value.typeId() == QMetaType::QString ? 3 * value.toString().size() : 0);
    }
    return bytes;
}

// Whether every XML part is well-formed to its end.
bool isWellFormed(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    bool rooted = false;
    while (!reader.atEnd()) {
        reader.readNext();
        rooted = rooted || reader.isStartElement();
    }
    return rooted && !reader.hasError();
}

// A workbook read back whole: a complete zip with the parts its content
// types name, each of them well-formed. The library writes each part to a
// temporary file first and does not notice when such a write fails (a full
// disk, a size limit): the part is then cut short in a zip that is sound.
bool isWholeWorkbook(const QByteArray &bytes)
{
    const QHash<QString, QByteArray> parts = wholeZipMembers(bytes);
    const QByteArray types = parts.value(QStringLiteral("[Content_Types].xml"));
    if (types.isEmpty())
        return false;
    QXmlStreamReader reader(types);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"Override"
            && !parts.contains(reader.attributes().value(QLatin1String("PartName")).toString().mid(1)))
            return false;
    }
    for (auto part = parts.cbegin(); part != parts.cend(); ++part) {
        if ((part.key().endsWith(u".xml") || part.key().endsWith(u".rels")) && !isWellFormed(part.value()))
            return false;
    }
    return true;
}

[[noreturn]] void failToMake(const QString &reason)
{
    throw Error(QStringLiteral("Не удалось составить файл Excel: %1.").arg(reason));
}

[[noreturn]] void failToWriteIn(const QString &folder, const QString &reason)
{
    throw Error(QStringLiteral("Не удалось составить файл Excel во временной папке «%1»: %2.")
                    .arg(QDir::toNativeSeparators(folder), reason));
}

// Whether the library failed to write or read back one of its files.
bool isWriteFailure(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return true;
    default:
        return false;
    }
}

// Any other failure of the library in the user's words.
QString libraryFailureReason(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватило памяти. Закройте другие программы и повторите");
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("в списке есть текст длиннее 32 767 знаков, больше, чем вмещает ячейка Excel. "
                              "Сохраните список как CSV");
    default:
        return QString::fromUtf8(lxw_strerror(error));
    }
}

} // namespace

QByteArray xlsxBytes(const ReportTable &table)
{
    // The library writes a named file and its temporary parts: made in a
    // folder of the program's own, read back and checked, and removed with
    // the folder.
    const QString tempFolder = QDir::tempPath();
    const qint64 bytes = largestPartBound(table);
    QTemporaryDir folder;
    if (!folder.isValid())
        failToWriteIn(tempFolder, writeFailureReason(errno, tempFolder)); // the failed mkdir's
    const QString file = folder.filePath(QStringLiteral("table.xlsx"));
    try {
        Sheet sheet(file, folder.path());
        sheet.writeHeading(table);
        sheet.writeTitles(table);
        sheet.writeRows(table);
        sheet.writeNotes(table);
        sheet.setUpPages();
        sheet.close();
    } catch (const LibraryFailure &failure) {
        if (isWriteFailure(failure.error))
            failToWriteIn(tempFolder, guessedWriteFailureReason(tempFolder, bytes));
        failToMake(libraryFailureReason(failure.error));
    }
    QFile made(file);
    const QByteArray workbook = made.open(QIODevice::ReadOnly) ? made.readAll() : QByteArray();
    if (!isWholeWorkbook(workbook))
        failToWriteIn(tempFolder, guessedWriteFailureReason(tempFolder, bytes));
    return workbook;
}

} // namespace qor
