#include "sheets/OdsWorkbook.h"

#include "engine/Error.h"
#include "sheets/XmlPart.h"
#include "sheets/ZipArchive.h"

#include <QXmlStreamReader>

#include <cmath>

namespace qor {

namespace {

const QString ContentPart = QStringLiteral("content.xml");

constexpr int MostColumns = 16384;

Error damaged(const QString &fileName, const QString &reason)
{
    return Error(QStringLiteral("Файл «%1» повреждён: таблицу OpenDocument не удаётся прочитать (%2). Откройте его в "
                                "LibreOffice, сохраните заново как .ods и загрузите снова.")
                     .arg(fileName, reason));
}

QString attribute(const QXmlStreamReader &xml, QStringView name)
{
    // By local name, whatever prefix the namespace has.
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return {};
}

int repeats(const QXmlStreamReader &xml, QStringView name)
{
    const int count = attribute(xml, name).toInt();
    return count > 0 ? count : 1;
}

QString numberText(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace

OdsWorkbook::OdsWorkbook(std::unique_ptr<ZipArchive> zip, const QString &fileName)
    : m_zip(std::move(zip)), m_fileName(fileName)
{
    if (!m_zip->contains(ContentPart))
        throw damaged(m_fileName, QStringLiteral("нет части content.xml"));
    parseContent([&](QXmlStreamReader &xml) {
        if (xml.isStartElement() && xml.name() == u"table" && xml.namespaceUri().endsWith(u":table:1.0"))
            m_sheetNames.append(attribute(xml, u"name"));
        return true;
    });
    if (m_sheetNames.isEmpty())
        throw damaged(m_fileName, QStringLiteral("в книге нет ни одного листа"));
}

OdsWorkbook::~OdsWorkbook() = default;

void OdsWorkbook::parseContent(const std::function<bool(QXmlStreamReader &)> &token, const Progress &progress) const
{
    try {
        parseXmlPart(*m_zip, ContentPart, token, progress);
    } catch (const ZipError &e) {
        throw damaged(m_fileName, e.text());
    }
}

void OdsWorkbook::readRows(int sheet, const RowReader &row, const Progress &progress)
{
    if (sheet < 0 || sheet >= m_sheetNames.size())
        return;
    int table = -1;
    int depth = 0; // of elements inside the sheet read; 0 outside it
    int rowNumber = 0;
    int rowRepeats = 1;
    CellRow cells;
    int column = 0;
    Cell cell;
    int cellRepeats = 1;
    bool inCell = false;
    bool textCell = false; // its text is its paragraphs' (not a number's or a day's)
    int paragraph = 0;     // depth inside the cell's paragraphs
    int annotation = 0;    // depth inside a comment, which is no part of the cell
    int paragraphs = 0;
    bool keepReading = true;

    const auto finishCell = [&] {
        if (cell.text.isEmpty()) {
            column += cellRepeats;
            return;
        }
        for (int i = 0; i < cellRepeats && column < MostColumns; ++i, ++column) {
            if (cells.size() <= column)
                cells.resize(column + 1);
            cells[column] = cell;
        }
    };
    const auto startCell = [&](const QXmlStreamReader &xml) {
        inCell = true;
        paragraphs = 0;
        cell = Cell();
        cellRepeats = repeats(xml, u"number-columns-repeated");
        const QString type = attribute(xml, u"value-type");
        textCell = true;
        if (type == u"float" || type == u"percentage" || type == u"currency") {
            bool ok = false;
            const double number = attribute(xml, u"value").toDouble(&ok);
            if (ok) {
                cell.number = number;
                cell.text = numberText(number);
                textCell = false;
            }
        } else if (type == u"date") {
            cell.date = QDate::fromString(attribute(xml, u"date-value").left(10), Qt::ISODate);
            if (cell.date.isValid()) {
                cell.text = cell.date.toString(QStringLiteral("dd.MM.yyyy"));
                textCell = false;
            }
        }
    };
    const auto inText = [&] { return inCell && textCell && paragraph > 0 && annotation == 0; };

    parseContent(
        [&](QXmlStreamReader &xml) {
            const bool tableElement = xml.namespaceUri().endsWith(u":table:1.0");
            switch (xml.tokenType()) {
            case QXmlStreamReader::StartElement:
                if (depth == 0) {
                    if (tableElement && xml.name() == u"table") {
                        ++table;
                        if (table > sheet)
                            return false;
                        if (table == sheet)
                            depth = 1;
                    }
                    break;
                }
                ++depth;
                if (tableElement && xml.name() == u"table-row") {
                    rowRepeats = repeats(xml, u"number-rows-repeated");
                    cells.clear();
                    column = 0;
                } else if (tableElement && (xml.name() == u"table-cell" || xml.name() == u"covered-table-cell")) {
                    startCell(xml);
                } else if (!inCell) {
                    break;
                } else if (xml.name() == u"annotation") {
                    ++annotation;
                } else if (xml.name() == u"p" && annotation == 0) {
                    // The paragraphs of a text cell are its lines.
                    if (textCell && paragraphs++ > 0)
                        cell.text += u'\n';
                    ++paragraph;
                } else if (inText() && xml.name() == u"s") {
                    cell.text += QString(std::max(1, attribute(xml, u"c").toInt()), u' ');
                } else if (inText() && xml.name() == u"tab") {
                    cell.text += u'\t';
                } else if (inText() && xml.name() == u"line-break") {
                    cell.text += u'\n';
                }
                break;
            case QXmlStreamReader::EndElement:
                if (depth == 0)
                    break;
                if (--depth == 0)
                    return false; // the sheet is read
                if (tableElement && (xml.name() == u"table-cell" || xml.name() == u"covered-table-cell")) {
                    finishCell();
                    inCell = false;
                } else if (tableElement && xml.name() == u"table-row") {
                    const bool any =
                        std::any_of(cells.cbegin(), cells.cend(), [](const Cell &c) { return !c.isEmpty(); });
                    if (!any) {
                        rowNumber += rowRepeats; // empty rows, often a million of them, to the sheet's end
                        break;
                    }
                    for (int i = 0; i < rowRepeats && keepReading; ++i)
                        keepReading = row(++rowNumber, cells);
                } else if (inCell && xml.name() == u"annotation") {
                    --annotation;
                } else if (inCell && xml.name() == u"p" && annotation == 0) {
                    --paragraph;
                }
                break;
            case QXmlStreamReader::Characters:
                if (inText())
                    cell.text += xml.text();
                break;
            default:
                break;
            }
            return keepReading;
        },
        progress);
}

} // namespace qor
