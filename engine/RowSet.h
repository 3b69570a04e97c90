#pragma once

#include "engine/ChunkedStore.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <string>
#include <string_view>
#include <vector>

namespace qor {

enum class ColumnType { Integer, BigInt, Float, Text, DateTime, Other };

// One column of a result as the engine describes it.
struct Column
{
    QString name;          // after the duplicate-name rule
    ColumnType type = ColumnType::Other;
    int maxLength = 0;     // characters, for text columns; 0 when unknown
    QString baseTable;     // the table the value comes from, when the engine knows it
};

// The rows of one result, read once and held in memory. Cells are compact:
// numbers in place and texts as UTF-8 in one shared buffer, so that a large
// result costs little and a QString is made only when a cell is asked for.
class RowSet
{
public:
    RowSet() = default;
    explicit RowSet(QList<Column> columns);

    // No rows, and these columns: the storage of the rows read before is kept
    // for the next ones.
    void reset(QList<Column> columns);

    const QList<Column> &columns() const { return m_columns; }
    // A computed column's type, once the first row tells it.
    void setColumnType(int column, ColumnType type) { m_columns[column].type = type; }
    int columnCount() const { return int(m_columns.size()); }
    int rowCount() const { return m_rowCount; }
    // Column position by name, without regard to case; -1 when absent.
    int indexOf(const QString &name) const;

    // Appending rows, as an engine reads them.
    int appendRow();
    void setNull(int row, int column);
    void setInteger(int row, int column, qint64 value);
    void setReal(int row, int column, double value);
    void setText(int row, int column, const char *utf8, qsizetype size);

    // Editing: values of the column's type (see value()); a null QVariant is NULL.
    void setValue(int row, int column, const QVariant &value);
    int insertRow(int before);
    void removeRow(int row);
    QList<QVariant> rowValues(int row) const;
    void setRowValues(int row, const QList<QVariant> &values);

    bool isNull(int row, int column) const;
    // Integer columns as qlonglong, Float as double, DateTime as QDateTime,
    // others as QString; NULL as an invalid QVariant.
    QVariant value(int row, int column) const;
    QString text(int row, int column) const; // the stored text or number, "" for NULL
    // A text cell as stored, UTF-8; empty for any other cell.
    std::string_view utf8(int row, int column) const;
    qint64 integer(int row, int column) const;

    // Dates travel as this one text form on the embedded engine.
    static QString dateTimeToStored(const QDateTime &value);
    static QDateTime dateTimeFromStored(QStringView text);

private:
    struct Cell
    {
        enum Kind : quint8 { Null, Integer, Real, Text };
        Kind kind = Null;
        quint32 size = 0;
        union {
            qint64 integer = 0;
            double real;
            quint64 offset;
        };
    };

    Cell &cell(int row, int column) { return m_cells[size_t(row) * m_columnCount + column]; }
    const Cell &cell(int row, int column) const { return m_cells[size_t(row) * m_columnCount + column]; }
    std::string_view textOf(const Cell &c) const { return m_texts.at(c.offset, c.size); }

    QList<Column> m_columns;
    int m_columnCount = 0;
    int m_rowCount = 0;
    ChunkedArray<Cell, 16384> m_cells;
    TextStore m_texts;
};

// Applies the naming rule for result columns: of two columns with one name
// the first keeps it and later ones become "name_1", "name_2"... (the lowest
// free number); a nameless column becomes "COLUMN1", "COLUMN2"... Names compare
// without regard to case.
QStringList uniqueColumnNames(const QStringList &names);

} // namespace qor
