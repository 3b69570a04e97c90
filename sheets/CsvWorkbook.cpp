#include "sheets/CsvWorkbook.h"

#include "engine/Error.h"
#include "engine/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace qor {

namespace {

// What is read at once, and looked at to tell the encoding and separator.
constexpr qint64 Piece = 1 << 20;

Error unreadable(const QString &fileName)
{
    return Error(
        QStringLiteral("Файл «%1» не удаётся прочитать: нет права читать его, или диск недоступен.").arg(fileName));
}

// Whether the bytes are UTF-8, but for a character cut off at their end.
bool isUtf8(const QByteArray &bytes)
{
    qsizetype end = bytes.size();
    // A lead byte whose character goes on beyond the sample is left out.
    for (qsizetype back = 1; back <= 3 && back <= end; ++back) {
        const auto byte = quint8(bytes[end - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (length > back)
            end -= back;
        break;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(QByteArrayView(bytes.constData(), end));
    return !decoder.hasError();
}

// The separator the first line holds most of: ";" before a tab before ","
// when they are as many; ";" when it holds none.
QChar separatorOf(const QString &text)
{
    int semicolons = 0, tabs = 0, commas = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\n' || c == u'\r') {
            if (semicolons + tabs + commas > 0)
                break;
        } else if (c == u';') {
            ++semicolons;
        } else if (c == u'\t') {
            ++tabs;
        } else if (c == u',') {
            ++commas;
        }
    }
    if (semicolons >= tabs && semicolons >= commas)
        return u';';
    return tabs >= commas ? QChar(u'\t') : QChar(u',');
}

} // namespace

CsvWorkbook::CsvWorkbook(const QString &path)
    : m_path(path), m_fileName(QFileInfo(path).fileName()), m_sheetName(QFileInfo(path).completeBaseName())
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(m_fileName);
    const QByteArray head = file.read(Piece);
    if (head.startsWith("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8;
        m_bomSize = 3;
    } else if (head.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16LE;
        m_bomSize = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16BE;
        m_bomSize = 2;
    } else {
        // A text holds no NUL; a file that does is no CSV.
        if (head.contains('\0'))
            throw Error(QStringLiteral("Файл «%1» — не книга .xlsx или .ods и не текст CSV: загрузить его нельзя.")
                            .arg(m_fileName));
        m_encoding = isUtf8(head) ? Encoding::Utf8 : Encoding::Windows1251;
    }
    QString start;
    switch (m_encoding) {
    case Encoding::Windows1251:
        start = fromWindows1251(head);
        break;
    case Encoding::Utf8:
        start = QStringDecoder(QStringDecoder::Utf8)(head.mid(m_bomSize));
        break;
    case Encoding::Utf16LE:
        start = QStringDecoder(QStringDecoder::Utf16LE)(head.mid(m_bomSize));
        break;
    case Encoding::Utf16BE:
        start = QStringDecoder(QStringDecoder::Utf16BE)(head.mid(m_bomSize));
        break;
    }
    m_separator = separatorOf(start);
}

void CsvWorkbook::readRows(int sheet, const RowReader &row, const Progress &progress)
{
    if (sheet != 0)
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(m_fileName);
    file.seek(m_bomSize);
    QStringDecoder decoder(m_encoding == Encoding::Utf16LE   ? QStringDecoder::Utf16LE
                           : m_encoding == Encoding::Utf16BE ? QStringDecoder::Utf16BE
                                                             : QStringDecoder::Utf8);
    const double size = std::max<qint64>(1, file.size());

    CellRow cells;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool quoteSeen = false; // a quote inside a quoted field: its end, or the first of two
    bool fieldStarted = false;
    bool afterCarriageReturn = false;
    int number = 0;
    bool keepReading = true;

    const auto endField = [&] {
        Cell cell;
        cell.text = field;
        cells.append(cell);
        field.clear();
        fieldStarted = false;
    };
    const auto endRow = [&] {
        endField();
        ++number;
        const bool any = std::any_of(cells.cbegin(), cells.cend(), [](const Cell &c) { return !c.isEmpty(); });
        if (any)
            keepReading = row(number, cells);
        cells.clear();
    };

    while (keepReading && !file.atEnd()) {
        const QByteArray bytes = file.read(Piece);
        if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
            throw unreadable(m_fileName);
        const QString text = m_encoding == Encoding::Windows1251 ? fromWindows1251(bytes) : decoder(bytes);
        for (qsizetype i = 0; i < text.size() && keepReading; ++i) {
            const QChar c = text[i];
            if (afterCarriageReturn) {
                afterCarriageReturn = false;
                if (c == u'\n')
                    continue; // the second half of a line break
            }
            if (quoted) {
                if (quoteSeen) {
                    quoteSeen = false;
                    if (c == u'"') {
                        field += u'"';
                        continue;
                    }
                    quoted = false; // the closing quote: on as outside quotes
                } else if (c == u'"') {
                    quoteSeen = true;
                    continue;
                } else {
                    // A line break in a field is one line feed, however the file writes it.
                    if (c == u'\r') {
                        field += u'\n';
                        afterCarriageReturn = true;
                    } else {
                        field += c;
                    }
                    continue;
                }
            }
            if (c == u'"' && !fieldStarted) {
                quoted = true;
                fieldStarted = true;
            } else if (c == m_separator) {
                endField();
            } else if (c == u'\n' || c == u'\r') {
                afterCarriageReturn = c == u'\r';
                endRow();
            } else {
                field += c;
                fieldStarted = true;
            }
        }
        if (progress)
            progress(double(file.pos()) / size);
    }
    if (keepReading && (fieldStarted || !cells.isEmpty() || !field.isEmpty()))
        endRow(); // the last line, without a line break after it
}

} // namespace qor
