#include "data/ImportSheet.h"

#include "engine/Error.h"
#include "sheets/CsvWorkbook.h"

#include <QFileInfo>
#include <QLocale>

namespace qor {

namespace {

// How far down the titles are looked for: a list may start with a heading.
constexpr int TitleSearchRows = 20;

QString columnLetters(int column)
{
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters;
}

// A title as it is compared: without blanks at the ends or inside runs, small letters, ё as е.
QString comparable(const QString &title)
{
    QString text = title.simplified().toLower();
    text.replace(u'ё', u'е');
    return text;
}

} // namespace

QString importFieldTitle(ImportField field)
{
    switch (field) {
    case ImportField::FullName:
        return QStringLiteral("ФИО");
    case ImportField::Surname:
        return QStringLiteral("Фамилия");
    case ImportField::FirstName:
        return QStringLiteral("Имя");
    case ImportField::Patronymic:
        return QStringLiteral("Отчество");
    case ImportField::Group:
        return QStringLiteral("Группа");
    case ImportField::Order:
        return QStringLiteral("Приказ");
    case ImportField::OrderNumber:
        return QStringLiteral("№ приказа");
    case ImportField::OrderDate:
        return QStringLiteral("Дата приказа");
    }
    return {};
}

bool ColumnMapping::namesTheStudent() const
{
    return (*this)[ImportField::FullName] >= 0
           || ((*this)[ImportField::Surname] >= 0 && (*this)[ImportField::FirstName] >= 0);
}

ColumnMapping recogniseTitles(const QStringList &titles)
{
    struct Known
    {
        ImportField field;
        QStringList titles;
    };
    static const QList<Known> known{
        {ImportField::FullName, {QStringLiteral("фио")}},
        {ImportField::Surname, {QStringLiteral("фамилия")}},
        {ImportField::FirstName, {QStringLiteral("имя")}},
        {ImportField::Patronymic, {QStringLiteral("отчество")}},
        {ImportField::Group, {QStringLiteral("группа")}},
        {ImportField::Order, {QStringLiteral("приказ")}},
        {ImportField::OrderNumber, {QStringLiteral("№ приказа"), QStringLiteral("номер приказа")}},
        {ImportField::OrderDate, {QStringLiteral("дата приказа")}},
    };
    ColumnMapping mapping;
    for (int column = 0; column < titles.size(); ++column) {
        const QString title = comparable(titles[column]);
        for (const Known &k : known) {
            // The first column of a title holds its field.
            if (mapping[k.field] < 0 && k.titles.contains(title))
                mapping[k.field] = column;
        }
    }
    return mapping;
}

QStringList ImportSheet::titles() const
{
    QStringList texts;
    if (titleRow < 0)
        return texts;
    for (const Cell &cell : rows[size_t(titleRow)].cells)
        texts.append(cell.text);
    return texts;
}

QStringList ImportSheet::columnNames() const
{
    qsizetype columns = 0;
    for (const SheetRow &row : rows)
        columns = std::max(columns, row.cells.size());
    const QStringList heads = titles();
    QStringList names;
    for (int column = 0; column < columns; ++column) {
        const QString title = heads.value(column).simplified();
        names.append(title.isEmpty() ? columnLetters(column)
                                     : QStringLiteral("%1: %2").arg(columnLetters(column), title));
    }
    return names;
}

ImportFile::ImportFile(const QString &path) : m_fileName(QFileInfo(path).fileName())
{
    std::unique_ptr<Workbook> workbook = openWorkbook(path);
    m_keepsNumbers = dynamic_cast<CsvWorkbook *>(workbook.get()) == nullptr;
    m_workbook = std::move(workbook);
}

ImportSheet ImportFile::readSheet(int sheet, const Workbook::Progress &progress) const
{
    ImportSheet read;
    read.fileName = m_fileName;
    read.sheetName = m_workbook->sheetNames().value(sheet);
    read.workbook = m_workbook;
    read.keepsNumbers = m_keepsNumbers;
    bool tooMany = false;
    m_workbook->readRows(
        sheet,
        [&](int number, const CellRow &cells) {
            // The titles may be a few rows down: room for them, and one row more tells a list too long.
            if (read.rows.size() > size_t(MostImportRows + TitleSearchRows)) {
                tooMany = true;
                return false;
            }
            read.rows.push_back({number, cells});
            return true;
        },
        progress);
    for (int row = 0; row < int(read.rows.size()) && row < TitleSearchRows && !read.recognised; ++row) {
        QStringList texts;
        for (const Cell &cell : read.rows[size_t(row)].cells)
            texts.append(cell.text);
        const ColumnMapping mapping = recogniseTitles(texts);
        if (mapping.namesTheStudent()) {
            read.titleRow = row;
            read.mapping = mapping;
            read.recognised = true;
        }
    }
    if (!read.recognised && !read.rows.empty())
        read.titleRow = 0;
    if (tooMany || int(read.rows.size()) - read.titleRow - 1 > MostImportRows)
        throw Error(QStringLiteral("%1 больше %2 строк. За один раз загружается не больше %2 "
                                   "слушателей: разделите список на несколько файлов и загрузите их по очереди.")
                        .arg(m_keepsNumbers ? QStringLiteral("В листе «%1» файла «%2»").arg(read.sheetName, m_fileName)
                                            : QStringLiteral("В файле «%1»").arg(m_fileName), // a text has no sheets
                             QLocale(QLocale::Russian).toString(MostImportRows)));
    return read;
}

} // namespace qor
