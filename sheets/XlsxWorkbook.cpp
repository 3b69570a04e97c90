#include "sheets/XlsxWorkbook.h"

#include "engine/Error.h"
#include "sheets/XmlPart.h"
#include "sheets/ZipArchive.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cmath>

namespace qor {

namespace {

// Everything a reader meets in a file that is no whole workbook.
Error damaged(const QString &fileName, const QString &reason)
{
    return Error(QStringLiteral("Файл «%1» повреждён: книгу Excel не удаётся прочитать (%2). Откройте его в Excel или "
                                "LibreOffice, сохраните заново как .xlsx и загрузите снова.")
                     .arg(fileName, reason));
}

// A part's XML to a reader as it is unpacked (parseXmlPart), its failures
// said as the file's damage.
void parsePart(const ZipArchive &zip, const QString &part, const QString &fileName,
               const std::function<bool(QXmlStreamReader &)> &token, const Workbook::Progress &progress = {})
{
    try {
        parseXmlPart(zip, part, token, progress);
    } catch (const ZipError &e) {
        throw damaged(fileName, e.text());
    }
}

// By local name, whatever prefix its namespace has.
QString attribute(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return {};
}

// "_x000D_" and its kin: characters XML cannot hold, or that the writer
// kept as codes; "_x005F_" before one keeps it as it is written.
QString unescaped(const QString &text)
{
    if (!text.contains(QStringLiteral("_x")))
        return text;
    static const QRegularExpression code(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    for (auto it = code.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart() < from)
            continue;
        out += QStringView(text).mid(from, m.capturedStart() - from);
        const char16_t c = char16_t(m.captured(1).toUInt(nullptr, 16));
        if (c == 0x5F && text.mid(m.capturedEnd(), 2) == QStringLiteral("_x")) {
            // "_x005F_x0041_" is the text "_x0041_" itself.
            const QRegularExpressionMatch next = code.match(text, m.capturedEnd());
            if (next.hasMatch() && next.capturedStart() == m.capturedEnd()) {
                out += next.captured(0);
                from = next.capturedEnd();
                continue;
            }
        }
        out += QChar(c);
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

// A part named by a relationship, from the folder of the part that names it.
QString resolvedPart(const QString &folder, const QString &target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    QStringList path = folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString &step : target.split(u'/', Qt::SkipEmptyParts)) {
        if (step == u"..") {
            if (!path.isEmpty())
                path.removeLast();
        } else if (step != u".") {
            path.append(step);
        }
    }
    return path.join(u'/');
}

// Relationship ids and targets of a part's relationships of one kind.
QHash<QString, QString> relationships(const ZipArchive &zip, const QString &relsPart, const QString &folder,
                                      const QString &fileName, QStringView typeEnd)
{
    QHash<QString, QString> targets;
    if (!zip.contains(relsPart))
        return targets;
    parsePart(zip, relsPart, fileName, [&](QXmlStreamReader &xml) {
        if (xml.isStartElement() && xml.name() == u"Relationship" && attribute(xml, u"Type").endsWith(typeEnd))
            targets.insert(attribute(xml, u"Id"), resolvedPart(folder, attribute(xml, u"Target")));
        return true;
    });
    return targets;
}

// Whether a number format shows a day: the built-in date formats, or one
// of its own whose codes (outside quoted texts and brackets) name days or
// years.
bool showsDate(int formatId, const QString &code)
{
    if ((formatId >= 14 && formatId <= 17) || formatId == 22 || (formatId >= 27 && formatId <= 36)
        || (formatId >= 50 && formatId <= 58))
        return true;
    QString bare;
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'[') {
            ++bracket;
        } else if (c == u']') {
            bracket = std::max(0, bracket - 1);
        } else if (c == u'\\' || c == u'_') {
            ++i; // the next character is shown as it is
        } else if (bracket == 0) {
            bare += c.toLower();
        }
    }
    return bare.contains(u'd') || bare.contains(u'y');
}

QString numberText(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

int columnOfReference(QStringView reference)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i)
        column = column * 26 + (reference[i].toUpper().unicode() - u'A' + 1);
    return i == 0 ? -1 : column - 1;
}

int rowOfReference(QStringView reference)
{
    qsizetype i = 0;
    while (i < reference.size() && reference[i].isLetter())
        ++i;
    bool ok = false;
    const int row = reference.mid(i).toInt(&ok);
    return ok ? row : -1;
}

// The widest sheet a spreadsheet has (XFD); cells beyond are no data.
constexpr int MostColumns = 16384;

} // namespace

XlsxWorkbook::XlsxWorkbook(std::unique_ptr<ZipArchive> zip, const QString &fileName)
    : m_zip(std::move(zip)), m_fileName(fileName)
{
    readWorkbookPart();
}

XlsxWorkbook::~XlsxWorkbook() = default;

void XlsxWorkbook::readWorkbookPart()
{
    QString workbook = QStringLiteral("xl/workbook.xml");
    const QHash<QString, QString> office =
        relationships(*m_zip, QStringLiteral("_rels/.rels"), QString(), m_fileName, u"/officeDocument");
    if (!office.isEmpty())
        workbook = office.cbegin().value();
    if (!m_zip->contains(workbook))
        throw damaged(m_fileName, QStringLiteral("нет части %1").arg(workbook));
    const QString folder = workbook.section(u'/', 0, -2);
    const QString rels = (folder.isEmpty() ? QString() : folder + u'/') + QStringLiteral("_rels/")
                         + workbook.section(u'/', -1) + QStringLiteral(".rels");
    const QHash<QString, QString> worksheets = relationships(*m_zip, rels, folder, m_fileName, u"/worksheet");

    parsePart(*m_zip, workbook, m_fileName, [&](QXmlStreamReader &xml) {
        if (!xml.isStartElement())
            return true;
        if (xml.name() == u"workbookPr") {
            const QString system = attribute(xml, u"date1904");
            if (system == u"1" || system.compare(u"true", Qt::CaseInsensitive) == 0)
                m_dateSystem = DateSystem::Since1904;
        } else if (xml.name() == u"sheet") {
            // The relationship's id is r:id, whatever the prefix.
            const QString id = attribute(xml, u"id");
            if (const auto part = worksheets.constFind(id); part != worksheets.cend() && m_zip->contains(*part)) {
                m_sheetNames.append(attribute(xml, u"name"));
                m_sheetParts.append(*part);
            }
        }
        return true;
    });
    if (m_sheetParts.isEmpty())
        throw damaged(m_fileName, QStringLiteral("в книге нет ни одного листа"));
}

void XlsxWorkbook::readSharedStrings()
{
    if (m_sharedRead)
        return;
    m_sharedRead = true;
    const QString folder = QStringLiteral("xl");
    QString part = QStringLiteral("xl/sharedStrings.xml");
    const QHash<QString, QString> strings =
        relationships(*m_zip, QStringLiteral("xl/_rels/workbook.xml.rels"), folder, m_fileName, u"/sharedStrings");
    if (!strings.isEmpty())
        part = strings.cbegin().value();
    if (!m_zip->contains(part))
        return;
    QString text;
    bool inItem = false;
    bool inText = false;
    int phonetic = 0; // inside a phonetic run, which is no part of the text
    parsePart(*m_zip, part, m_fileName, [&](QXmlStreamReader &xml) {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"si") {
                inItem = true;
                text.clear();
            } else if (xml.name() == u"rPh") {
                ++phonetic;
            } else if (xml.name() == u"t") {
                inText = inItem && phonetic == 0;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == u"si") {
                m_shared.append(unescaped(text));
                inItem = false;
            } else if (xml.name() == u"rPh") {
                --phonetic;
            } else if (xml.name() == u"t") {
                inText = false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (inText)
                text += xml.text();
            break;
        default:
            break;
        }
        return true;
    });
}

void XlsxWorkbook::readStyles()
{
    if (std::exchange(m_stylesRead, true))
        return;
    const QString part = QStringLiteral("xl/styles.xml");
    if (!m_zip->contains(part))
        return;
    QHash<int, QString> formats;
    QList<int> xfFormats;
    bool inCellXfs = false;
    parsePart(*m_zip, part, m_fileName, [&](QXmlStreamReader &xml) {
        if (xml.isStartElement()) {
            if (xml.name() == u"numFmt")
                formats.insert(attribute(xml, u"numFmtId").toInt(), attribute(xml, u"formatCode"));
            else if (xml.name() == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && xml.name() == u"xf")
                xfFormats.append(attribute(xml, u"numFmtId").toInt());
        } else if (xml.isEndElement()) {
            if (xml.name() == u"cellXfs")
                inCellXfs = false;
        }
        return true;
    });
    for (int xf = 0; xf < xfFormats.size(); ++xf) {
        if (showsDate(xfFormats[xf], formats.value(xfFormats[xf])))
            m_dateStyles.insert(xf);
    }
}

QDate XlsxWorkbook::dateOfSerial(double days) const
{
    return qor::dateOfSerial(days, m_dateSystem);
}

void XlsxWorkbook::readRows(int sheet, const RowReader &row, const Progress &progress)
{
    if (sheet < 0 || sheet >= m_sheetParts.size())
        return;
    readSharedStrings();
    readStyles();

    CellRow cells;
    int rowNumber = 0;
    int column = -1;
    QString type;
    int style = -1;
    QString value; // the <v> or inline text of the cell being read
    bool inValue = false;
    bool inInline = false; // in the cell's <is>
    bool inInlineText = false;
    int phonetic = 0;
    bool keepReading = true;

    const auto finishCell = [&] {
        if (column < 0 || column >= MostColumns)
            return;
        Cell cell;
        if (type == u"s") {
            bool ok = false;
            const int index = value.trimmed().toInt(&ok);
            if (!ok || index < 0 || index >= m_shared.size())
                throw damaged(m_fileName,
                              QStringLiteral("ячейка ссылается на строку %1, которой нет").arg(value.trimmed()));
            cell.text = m_shared[index];
        } else if (type == u"inlineStr" || type == u"str") {
            cell.text = unescaped(value);
        } else if (type == u"d") {
            cell.date = QDate::fromString(value.trimmed().left(10), Qt::ISODate);
            cell.text = cell.date.isValid() ? cell.date.toString(QStringLiteral("dd.MM.yyyy")) : value;
        } else if (type == u"e" || type == u"b") {
            cell.text = value;
        } else if (!value.isEmpty()) {
            bool ok = false;
            const double number = value.trimmed().toDouble(&ok);
            if (!ok)
                throw damaged(m_fileName, QStringLiteral("«%1» в числовой ячейке").arg(value));
            cell.number = number;
            if (m_dateStyles.contains(style))
                cell.date = dateOfSerial(number);
            cell.text = cell.date.isValid() ? cell.date.toString(QStringLiteral("dd.MM.yyyy")) : numberText(number);
        }
        if (cell.text.isEmpty())
            return;
        if (cells.size() <= column)
            cells.resize(column + 1);
        cells[column] = cell;
    };

    parsePart(
        *m_zip, m_sheetParts[sheet], m_fileName,
        [&](QXmlStreamReader &xml) {
            switch (xml.tokenType()) {
            case QXmlStreamReader::StartElement:
                if (xml.name() == u"row") {
                    const int number = attribute(xml, u"r").toInt();
                    rowNumber = number > 0 ? number : rowNumber + 1;
                    cells.clear();
                    column = -1;
                } else if (xml.name() == u"c") {
                    // Its reference, type and style, read in one pass: a sheet has a cell for every value.
                    QStringView reference;
                    type.clear();
                    style = 0;
                    const QXmlStreamAttributes attributes = xml.attributes();
                    for (const QXmlStreamAttribute &a : attributes) {
                        if (a.name() == u"r")
                            reference = a.value();
                        else if (a.name() == u"t")
                            type = a.value().toString();
                        else if (a.name() == u"s")
                            style = a.value().toInt();
                    }
                    const int at = reference.isEmpty() ? -1 : columnOfReference(reference);
                    column = at >= 0 ? at : column + 1;
                    if (rowNumber == 0 && !reference.isEmpty())
                        rowNumber = rowOfReference(reference);
                    value.clear();
                } else if (xml.name() == u"v") {
                    inValue = true;
                } else if (xml.name() == u"is") {
                    inInline = true;
                } else if (xml.name() == u"rPh") {
                    ++phonetic; // phonetic runs are no part of the text
                } else if (xml.name() == u"t") {
                    inInlineText = inInline && phonetic == 0;
                }
                break;
            case QXmlStreamReader::EndElement:
                if (xml.name() == u"v") {
                    inValue = false;
                } else if (xml.name() == u"is") {
                    inInline = false;
                } else if (xml.name() == u"rPh") {
                    --phonetic;
                } else if (xml.name() == u"t") {
                    inInlineText = false;
                } else if (xml.name() == u"c") {
                    finishCell();
                } else if (xml.name() == u"row") {
                    const bool any =
                        std::any_of(cells.cbegin(), cells.cend(), [](const Cell &c) { return !c.isEmpty(); });
                    if (any)
                        keepReading = row(rowNumber, cells);
                }
                break;
            case QXmlStreamReader::Characters:
                if (inValue || inInlineText)
                    value += xml.text();
                break;
            default:
                break;
            }
            return keepReading;
        },
        progress);
}

} // namespace qor
