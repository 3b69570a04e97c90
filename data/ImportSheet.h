#pragma once

#include "sheets/Workbook.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace qor {

// A list of students in a spreadsheet, as the import reads it: the rows of
// one sheet, the row that titles its columns, and which column holds what.

// What a column may hold.
enum class ImportField { FullName, Surname, FirstName, Patronymic, Group, Order, OrderNumber, OrderDate };
inline constexpr int ImportFieldCount = 8;
// Its title as the window shows it: "ФИО", "Фамилия", "Имя", "Отчество",
// "Группа", "Приказ", "№ приказа", "Дата приказа".
QString importFieldTitle(ImportField field);

// The column of each field, from 0 (A); -1 where none holds it.
struct ColumnMapping
{
    std::array<int, ImportFieldCount> columns;
    ColumnMapping() { columns.fill(-1); }
    int &operator[](ImportField field) { return columns[size_t(field)]; }
    int operator[](ImportField field) const { return columns[size_t(field)]; }
    // A name can be read: a full name, or a surname and a first name.
    bool namesTheStudent() const;
    bool operator==(const ColumnMapping &) const = default;
};

struct SheetRow
{
    int number = 0; // as the spreadsheet shows it
    CellRow cells;
};

// The most rows below the titles one import takes: a larger list is split
// into several files, so that one import stays a matter of seconds.
inline constexpr int MostImportRows = 200000;

// A sheet read for importing, with the row that titles its columns: the
// first of its first rows whose titles name the student ("ФИО", or
// "Фамилия" and "Имя", without regard to case and to blanks at the ends),
// the columns recognised by their titles. When no row does, the first row
// is taken for the titles and nothing is recognised.
struct ImportSheet
{
    QString fileName;
    QString sheetName;
    std::vector<SheetRow> rows;
    int titleRow = -1; // index into rows; -1 when the sheet has no row
    bool recognised = false;
    ColumnMapping mapping;
    std::shared_ptr<const Workbook> workbook; // for its date system
    bool keepsNumbers = false;                // a workbook, whose numbers may be days

    QStringList titles() const;
    // "A: ФИО", "B: Группа"... for each column any row of the sheet has.
    QStringList columnNames() const;
};

// A spreadsheet file opened for importing.
class ImportFile
{
public:
    // Throws qor::Error with the reason, in Russian.
    explicit ImportFile(const QString &path);

    QString fileName() const { return m_fileName; }
    QStringList sheetNames() const { return m_workbook->sheetNames(); }
    // Reads a sheet whole; a sheet of more than MostImportRows rows below
    // its titles is refused, read no further than that.
    ImportSheet readSheet(int sheet, const Workbook::Progress &progress = {}) const;

private:
    QString m_fileName;
    std::shared_ptr<Workbook> m_workbook;
    bool m_keepsNumbers = false;
};

// The recognition of titles alone, for a row of texts.
ColumnMapping recogniseTitles(const QStringList &titles);

} // namespace qor
