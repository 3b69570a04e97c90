#include "data/Query.h"

#include "data/Connection.h"
#include "data/DateTimeText.h"
#include "engine/Engine.h"
#include "engine/Error.h"

#include <QLocale>

#include <climits>
#include <cmath>

namespace qor {

namespace {
// Another client changed or deleted the row since it was read.
const QString RowNotFound = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
} // namespace

Query::Query(Connection *connection, const QString &name, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    setObjectName(name);
    if (m_connection)
        m_connection->attach(this);
}

Query::~Query()
{
    m_indexesInMaking.reset();
    m_state = State::Inactive;
    if (m_connection)
        m_connection->detach(this);
}

void Query::open()
{
    if (isOpen())
        return;
    if (!m_connection)
        throw Error(QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
    try {
        m_connection->engine().selectInto(m_sql, rowsToChange());
    } catch (...) {
        m_rows.reset({});
        m_connection->queryClosed(); // the connection may have opened for nothing
        throw;
    }
    bindFields();
    m_current = isEmpty() ? -1 : 0;
    forgetIndexes();
    m_table.clear();
    m_modified = false;
    setState(State::Browse);
    emit opened();
    emit currentRowChanged(m_current);
}

void Query::close()
{
    if (!isOpen())
        return;
    // A change not yet written is dropped.
    m_modified = false;
    m_original.clear();
    setState(State::Inactive);
    rowsToChange().reset({}); // the storage stays for the next open
    m_current = -1;
    forgetIndexes();
    emit closed();
    if (m_connection)
        m_connection->queryClosed();
}

void Query::execSql()
{
    if (!m_connection)
        throw Error(QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
    m_connection->execute(m_sql);
}

void Query::setFieldDefs(const QList<FieldDef> &defs)
{
    m_defs = defs;
    if (isOpen())
        bindFields();
}

void Query::bindFields()
{
    m_fields.clear();
    m_columnOfField.clear();
    if (m_defs.isEmpty()) {
        for (int i = 0; i < m_rows.columnCount(); ++i) {
            const Column &column = m_rows.columns()[i];
            FieldDef def;
            def.name = column.name;
            def.type = column.type;
            def.size = column.maxLength;
            m_fields.append(def);
            m_columnOfField.append(i);
        }
        return;
    }
    for (const FieldDef &def : std::as_const(m_defs)) {
        m_fields.append(def);
        m_columnOfField.append(def.isLookup() ? -1 : m_rows.indexOf(def.name));
    }
}

const FieldDef &Query::field(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
    return m_fields[index];
}

int Query::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Query::findField(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    return index;
}

void Query::setCurrentRow(int row)
{
    if (isEmpty())
        return;
    int target = std::clamp(row, 0, rowCount() - 1);
    if (target == m_current)
        return;
    target = leaveRowTowards(target);
    m_current = isEmpty() ? -1 : std::clamp(target, 0, rowCount() - 1);
    emit currentRowChanged(m_current);
}

void Query::next()
{
    if (m_current < 0)
        return;
    if (m_current + 1 >= rowCount()) {
        leaveRow();
        m_current = rowCount(); // past the last row
        return;
    }
    setCurrentRow(m_current + 1);
}

void Query::leaveRow()
{
    leaveRowTowards(m_current);
}

int Query::leaveRowTowards(int target)
{
    if (isUntouchedNewRow()) {
        const int dropped = m_current;
        cancel();
        return target > dropped ? target - 1 : target;
    }
    post();
    return target;
}

void Query::forgetIndexes()
{
    m_indexesInMaking.reset();
    m_lookupIndexes.clear();
    m_prefixIndexes.clear();
}

RowSet &Query::rowsToChange()
{
    // Indexes being made on another thread read the rows: stopped first.
    m_indexesInMaking.reset();
    return m_rows;
}

void Query::prepareIndexesInBackground(const QString &textField, const QString &keyField)
{
    constexpr int LongList = 20000;
    if (!isOpen() || rowCount() < LongList || m_indexesInMaking)
        return;
    if (m_prefixIndexes.contains(textField.toLower()) && m_lookupIndexes.contains(keyField.toLower()))
        return;
    m_indexesInMaking = std::make_unique<BackgroundIndexes>(m_rows, m_rows.indexOf(textField), m_rows.indexOf(keyField));
}

void Query::adoptIndexesMade() const
{
    if (!m_indexesInMaking || !m_indexesInMaking->isDone())
        return;
    const RowSet &rows = m_rows;
    const auto nameOf = [&rows](int column) { return rows.columns()[column].name.toLower(); };
    if (m_indexesInMaking->textColumn() >= 0)
        m_prefixIndexes.insert(nameOf(m_indexesInMaking->textColumn()), m_indexesInMaking->takePrefixIndex());
    if (m_indexesInMaking->keyColumn() >= 0)
        m_lookupIndexes.insert(nameOf(m_indexesInMaking->keyColumn()), m_indexesInMaking->takeKeyIndex());
    m_indexesInMaking.reset();
}

QVariant Query::valueAt(int row, int index) const
{
    const FieldDef &def = field(index);
    if (row < 0 || row >= rowCount())
        return {};
    if (def.isLookup())
        return lookup(def, row);
    const int column = m_columnOfField[index];
    if (column < 0)
        return {};
    return m_rows.value(row, column);
}

QVariant Query::value(int index) const
{
    return valueAt(eof() ? -1 : m_current, index);
}

QString Query::asString(int index) const
{
    const QVariant v = value(index);
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return localDateTimeText(v.toDateTime());
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

qint64 Query::asInteger(int index) const
{
    const QVariant v = value(index);
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong();
    case QMetaType::Double:
        return qRound64(v.toDouble());
    default:
        break;
    }
    const QString text = v.toString();
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return number;
}

int Query::lookupRow(const QString &keyField, const QVariant &key) const
{
    if (!isOpen() || !key.isValid() || key.isNull())
        return -1;
    adoptIndexesMade();
    auto index = m_lookupIndexes.find(keyField.toLower());
    const int column = m_rows.indexOf(keyField);
    if (index == m_lookupIndexes.end() && m_indexesInMaking && m_indexesInMaking->keyColumn() == column)
        return KeyIndex::rowOf(m_rows, column, key.toLongLong());
    if (index == m_lookupIndexes.end()) // once per open, so that a look-up never scans
        index = m_lookupIndexes.insert(keyField.toLower(), KeyIndex(m_rows, m_rows.indexOf(keyField)));
    return index->rowOf(m_rows, key.toLongLong());
}

int Query::locatePrefix(const QString &field, const QString &prefix) const
{
    if (!isOpen())
        return -1;
    adoptIndexesMade();
    auto index = m_prefixIndexes.find(field.toLower());
    const int column = m_rows.indexOf(field);
    if (index == m_prefixIndexes.end() && m_indexesInMaking && m_indexesInMaking->textColumn() == column)
        return PrefixIndex::firstRowWithPrefix(m_rows, column, prefix);
    if (index == m_prefixIndexes.end())
        index = m_prefixIndexes.insert(field.toLower(), PrefixIndex(m_rows, m_rows.indexOf(field)));
    return index->firstRowWithPrefix(prefix);
}

QVariant Query::lookup(const FieldDef &def, int row) const
{
    const int keyField = fieldIndex(def.keyField);
    if (keyField < 0 || !def.lookupSource)
        return {};
    const Query *source = def.lookupSource;
    const int sourceRow = source->lookupRow(def.lookupKeyField, valueAt(row, keyField));
    if (sourceRow < 0)
        return {};
    const int resultColumn = source->m_rows.indexOf(def.lookupResultField);
    return resultColumn < 0 ? QVariant() : source->m_rows.value(sourceRow, resultColumn);
}

void Query::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void Query::requireModifiable() const
{
    if (!isOpen())
        throw Error(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    if (m_readOnly)
        throw Error(QStringLiteral("Cannot modify a read-only dataset."));
}

void Query::requireEditing() const
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(QStringLiteral("%1: Dataset not in edit or insert mode").arg(objectName()));
}

void Query::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    requireModifiable();
    if (eof())
        return startInsert(rowCount()); // editing an empty result adds a row
    m_original = m_rows.rowValues(m_current);
    m_modified = false;
    setState(State::Edit);
}

void Query::insert()
{
    startInsert(eof() ? rowCount() : m_current);
}

void Query::append()
{
    startInsert(rowCount());
}

void Query::startInsert(int row)
{
    requireModifiable();
    row = leaveRowTowards(row);
    emit rowAboutToBeInserted(row);
    rowsToChange().insertRow(row);
    forgetIndexes();
    m_original.clear();
    m_modified = false;
    m_current = row;
    setState(State::Insert);
    emit rowInserted(row);
    emit currentRowChanged(m_current);
}

void Query::setValue(int index, const QVariant &value)
{
    const FieldDef &def = field(index);
    if (m_state == State::Browse)
        edit();
    requireEditing();
    if (def.readOnly)
        throw Error(QStringLiteral("Field '%1' cannot be modified").arg(def.name));
    int column = m_columnOfField[index];
    if (def.isLookup())
        column = m_rows.indexOf(def.keyField); // a lookup column writes its key
    if (column < 0)
        throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), def.name));
    rowsToChange().setValue(m_current, column, value);
    forgetIndexes();
    m_modified = true;
    emit rowChanged(m_current);
}

void Query::setText(int index, const QString &input)
{
    const FieldDef &def = field(index);
    const QString text = input.trimmed();
    if (text.isEmpty() || def.isLookup() || def.type == ColumnType::Text || def.type == ColumnType::Other) {
        setValue(index, text.isEmpty() && def.type != ColumnType::Text ? QVariant() : QVariant(input));
        return;
    }
    bool ok = false;
    switch (def.type) {
    case ColumnType::Integer:
    case ColumnType::BigInt: {
        const qlonglong number = text.toLongLong(&ok);
        if (!ok || (def.type == ColumnType::Integer && (number < INT_MIN || number > INT_MAX)))
            throw Error(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(input, def.name));
        setValue(index, number);
        return;
    }
    case ColumnType::Float: {
        // The local decimal separator, and the full stop too.
        double number = QLocale().toDouble(text, &ok);
        if (!ok)
            number = text.toDouble(&ok);
        // NaN and the infinities read as numbers, but are none a fee can be:
        // SQL Server's float holds neither, and NaN would be stored as null.
        if (!ok || !std::isfinite(number))
            throw Error(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(input, def.name));
        setValue(index, number);
        return;
    }
    case ColumnType::DateTime: {
        const QDateTime value = parseLocalDateTime(text);
        if (!value.isValid())
            throw Error(QStringLiteral("'%1' is not a valid date and time").arg(input));
        setValue(index, value);
        return;
    }
    default:
        setValue(index, input);
    }
}

void Query::cancel()
{
    if (m_state == State::Insert) {
        const int row = m_current;
        emit rowAboutToBeRemoved(row);
        rowsToChange().removeRow(row);
        forgetIndexes();
        m_modified = false;
        m_current = isEmpty() ? -1 : std::min(row, rowCount() - 1);
        setState(State::Browse);
        emit rowRemoved(row);
        emit currentRowChanged(m_current);
        return;
    }
    if (m_state == State::Edit) {
        rowsToChange().setRowValues(m_current, m_original);
        forgetIndexes();
        m_modified = false;
        setState(State::Browse);
        emit rowChanged(m_current);
    }
}

void Query::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (beforePost)
        beforePost(*this);
    writeRow();
    m_modified = false;
    m_original.clear();
    forgetIndexes();
    setState(State::Browse);
    emit rowChanged(m_current);
}

void Query::resolveWriteTarget()
{
    if (!m_table.isEmpty())
        return;
    const QList<Column> &columns = m_rows.columns();
    const auto comesFrom = [](const Column &column, const QString &table) {
        return column.baseTable.compare(table, Qt::CaseInsensitive) == 0;
    };
    QString table = m_uniqueTable;
    if (table.isEmpty()) {
        // The one table the result's columns come from, as the engine reports
        // it: never a name guessed from the statement's text.
        QStringList tables;
        for (const Column &column : columns) {
            if (!column.baseTable.isEmpty() && !tables.contains(column.baseTable, Qt::CaseInsensitive))
                tables.append(column.baseTable);
        }
        if (tables.isEmpty())
            throw Error(QStringLiteral("%1: the rows cannot be changed: the result names no table they come from").arg(objectName()));
        if (tables.size() > 1) {
            tables.sort(Qt::CaseInsensitive);
            throw Error(QStringLiteral("%1: the rows cannot be changed: they come from several tables (%2)")
                            .arg(objectName(), tables.join(QStringLiteral(", "))));
        }
        table = tables.first();
    }
    Engine &engine = m_connection->engine();
    const QString key = engine.primaryKey(table);
    if (key.isEmpty())
        throw Error(QStringLiteral("Table '%1' has no key: its rows cannot be changed one by one").arg(table));
    // A result column is the table's when the engine says it comes from it,
    // or, where the engine cannot tell, when it bears a column's name; of two
    // result columns with one name the first.
    const auto resultColumnOf = [&](const QString &name) {
        for (int i = 0; i < columns.size(); ++i) {
            if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0
                && (columns[i].baseTable.isEmpty() || comesFrom(columns[i], table)))
                return i;
        }
        return -1;
    };
    QList<int> writable;
    int keyColumn = -1;
    for (const QString &name : engine.tableColumns(table)) {
        const int column = resultColumnOf(name);
        if (column < 0)
            continue;
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            keyColumn = column;
        else
            writable.append(column);
    }
    if (keyColumn < 0)
        throw Error(QStringLiteral("%1: the rows cannot be changed: the statement does not read the key %2 of %3")
                        .arg(objectName(), key, table));
    m_table = table;
    m_keyColumn = key;
    m_keyResultColumn = keyColumn;
    m_writableColumns = writable;
}

void Query::writeRow()
{
    if (!m_connection)
        throw Error(QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
    resolveWriteTarget();
    Engine &engine = m_connection->engine();
    RowWrite write;
    write.table = m_table;
    write.keyColumn = m_keyColumn;
    const QList<QVariant> now = m_rows.rowValues(m_current);
    const QList<Column> &columns = m_rows.columns();

    if (m_state == State::Insert) {
        for (int column : std::as_const(m_writableColumns)) {
            if (now[column].isValid() && !now[column].isNull()) {
                write.columns.append(columns[column].name);
                write.values.append(now[column]);
            }
        }
        const QVariant key = engine.insertRow(write);
        rowsToChange().setValue(m_current, m_keyResultColumn, key);
        return;
    }

    for (int column : std::as_const(m_writableColumns)) {
        if (now[column] != m_original[column]) {
            write.columns.append(columns[column].name);
            write.values.append(now[column]);
            write.checkedColumns.append(columns[column].name);
            write.originalValues.append(m_original[column]);
        }
    }
    if (write.columns.isEmpty())
        return;
    write.keyValue = m_original[m_keyResultColumn];
    // Only while the row still holds what was read: another client's change is never overwritten.
    if (engine.updateRow(write) == 0)
        throw Error(RowNotFound);
}

QString Query::rowChangedText()
{
    return RowNotFound;
}

void Query::updateRowsAsRead(const QList<int> &rows, const QStringList &columns, const QList<QVariant> &values,
                             const std::function<void(int count)> &written)
{
    // Often enough for a progress bar, seldom enough to cost nothing.
    constexpr int RowsBetweenReports = 256;
    if (!isOpen())
        throw Error(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    resolveWriteTarget();
    Engine &engine = m_connection->engine();
    int count = 0;
    for (int row : rows) {
        if (written && count % RowsBetweenReports == 0)
            written(count);
        ++count;
        RowWrite write;
        write.table = m_table;
        write.keyColumn = m_keyColumn;
        write.keyValue = m_rows.value(row, m_keyResultColumn);
        write.columns = columns;
        write.values = values;
        for (int column : std::as_const(m_writableColumns)) {
            write.checkedColumns.append(m_rows.columns()[column].name);
            write.originalValues.append(m_rows.value(row, column));
        }
        if (engine.updateRow(write) == 0)
            throw Error(RowNotFound);
    }
}

void Query::deleteCurrent()
{
    requireModifiable();
    if (m_state == State::Insert)
        return cancel();
    if (eof())
        return;
    if (m_state == State::Edit)
        cancel();
    resolveWriteTarget();
    RowWrite write;
    write.table = m_table;
    write.keyColumn = m_keyColumn;
    write.keyValue = m_rows.value(m_current, m_keyResultColumn);
    // Only the row as it was read: another client's change is never deleted unseen.
    for (int column : std::as_const(m_writableColumns)) {
        write.checkedColumns.append(m_rows.columns()[column].name);
        write.originalValues.append(m_rows.value(m_current, column));
    }
    if (m_connection->engine().deleteRow(write) == 0)
        throw Error(RowNotFound);
    const int row = m_current;
    emit rowAboutToBeRemoved(row);
    rowsToChange().removeRow(row);
    forgetIndexes();
    m_current = isEmpty() ? -1 : std::min(row, rowCount() - 1);
    emit rowRemoved(row);
    emit currentRowChanged(m_current);
}

} // namespace qor
