#include "engine/RowSet.h"

#include <QSet>

namespace qor {

RowSet::RowSet(QList<Column> columns)
    : m_columns(std::move(columns)), m_columnCount(int(m_columns.size()))
{
}

void RowSet::reset(QList<Column> columns)
{
    m_columns = std::move(columns);
    m_columnCount = int(m_columns.size());
    m_rowCount = 0;
    m_cells.clear();
    m_texts.clear();
}

int RowSet::indexOf(const QString &name) const
{
    for (int i = 0; i < m_columnCount; ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int RowSet::appendRow()
{
    m_cells.resize(m_cells.size() + m_columnCount);
    return m_rowCount++;
}

int RowSet::insertRow(int before)
{
    before = std::clamp(before, 0, rowCount());
    appendRow();
    for (int row = m_rowCount - 1; row > before; --row) {
        for (int column = 0; column < m_columnCount; ++column)
            cell(row, column) = cell(row - 1, column);
    }
    for (int column = 0; column < m_columnCount; ++column)
        cell(before, column) = Cell{};
    return before;
}

void RowSet::removeRow(int row)
{
    for (int r = row; r + 1 < m_rowCount; ++r) {
        for (int column = 0; column < m_columnCount; ++column)
            cell(r, column) = cell(r + 1, column);
    }
    --m_rowCount;
    m_cells.resize(size_t(m_rowCount) * m_columnCount);
}

void RowSet::setNull(int row, int column)
{
    cell(row, column) = Cell{};
}

void RowSet::setInteger(int row, int column, qint64 value)
{
    Cell &c = cell(row, column);
    c.kind = Cell::Integer;
    c.integer = value;
}

void RowSet::setReal(int row, int column, double value)
{
    Cell &c = cell(row, column);
    c.kind = Cell::Real;
    c.real = value;
}

void RowSet::setText(int row, int column, const char *utf8, qsizetype size)
{
    Cell &c = cell(row, column);
    c.kind = Cell::Text;
    c.offset = m_texts.append(utf8, size_t(size));
    c.size = quint32(size);
}

void RowSet::setValue(int row, int column, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        setNull(row, column);
        return;
    }
    switch (m_columns[column].type) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
        setInteger(row, column, value.toLongLong());
        return;
    case ColumnType::Float:
        setReal(row, column, value.toDouble());
        return;
    case ColumnType::DateTime: {
        const QByteArray stored = dateTimeToStored(value.toDateTime()).toUtf8();
        setText(row, column, stored.constData(), stored.size());
        return;
    }
    default:
        break;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        setInteger(row, column, value.toLongLong());
        return;
    case QMetaType::Double:
        setReal(row, column, value.toDouble());
        return;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        setText(row, column, utf8.constData(), utf8.size());
    }
    }
}

QList<QVariant> RowSet::rowValues(int row) const
{
    QList<QVariant> values;
    values.reserve(m_columnCount);
    for (int column = 0; column < m_columnCount; ++column)
        values.append(value(row, column));
    return values;
}

void RowSet::setRowValues(int row, const QList<QVariant> &values)
{
    for (int column = 0; column < m_columnCount && column < values.size(); ++column)
        setValue(row, column, values[column]);
}

bool RowSet::isNull(int row, int column) const
{
    return cell(row, column).kind == Cell::Null;
}

QVariant RowSet::value(int row, int column) const
{
    const Cell &c = cell(row, column);
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Integer:
        if (m_columns[column].type == ColumnType::Float)
            return double(c.integer);
        return qlonglong(c.integer);
    case Cell::Real:
        return c.real;
    case Cell::Text:
        break;
    }
    const std::string_view stored = textOf(c);
    const QString text = QString::fromUtf8(stored.data(), qsizetype(stored.size()));
    if (m_columns[column].type == ColumnType::DateTime)
        return dateTimeFromStored(text);
    return text;
}

QString RowSet::text(int row, int column) const
{
    const Cell &c = cell(row, column);
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Integer:
        return QString::number(c.integer);
    case Cell::Real:
        return QString::number(c.real, 'g', 15);
    case Cell::Text:
        break;
    }
    const std::string_view stored = textOf(c);
    return QString::fromUtf8(stored.data(), qsizetype(stored.size()));
}

std::string_view RowSet::utf8(int row, int column) const
{
    const Cell &c = cell(row, column);
    if (c.kind != Cell::Text)
        return {};
    return textOf(c);
}

qint64 RowSet::integer(int row, int column) const
{
    const Cell &c = cell(row, column);
    switch (c.kind) {
    case Cell::Integer:
        return c.integer;
    case Cell::Real:
        return qRound64(c.real);
    default:
        return 0;
    }
}

QString RowSet::dateTimeToStored(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime RowSet::dateTimeFromStored(QStringView text)
{
    // The stored form "yyyy-MM-dd HH:mm:ss" read directly: parsing it by
    // format costs more than the rest of reading a roster row.
    const auto digits = [&](qsizetype at, qsizetype count) {
        int number = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            if (!text[i].isDigit())
                return -1;
            number = number * 10 + text[i].digitValue();
        }
        return number;
    };
    if (text.size() == 19 && text[4] == u'-' && text[7] == u'-' && text[10] == u' ' && text[13] == u':' && text[16] == u':') {
        const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
        const QTime time(digits(11, 2), digits(14, 2), digits(17, 2));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    QDateTime value = QDateTime::fromString(text.left(19).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid())
        value = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    return value;
}

QStringList uniqueColumnNames(const QStringList &names)
{
    QStringList result;
    QSet<QString> taken; // lower-cased
    for (const QString &name : names) {
        QString unique = name;
        if (name.isEmpty() || taken.contains(name.toLower())) {
            const QString pattern = name.isEmpty() ? QStringLiteral("COLUMN%1") : name + QStringLiteral("_%1");
            for (int n = 1;; ++n) {
                unique = pattern.arg(n);
                if (!taken.contains(unique.toLower()))
                    break;
            }
        }
        taken.insert(unique.toLower());
        result.append(unique);
    }
    return result;
}

} // namespace qor
