#include "data/Query.h"

#include "data/Connection.h"
#include "data/DateTimeText.h"
#include "data/Engine.h"
#include "data/Error.h"

namespace qor {

Query::Query(Connection *connection, const QString &name, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    setObjectName(name);
    if (m_connection)
        m_connection->attach(this);
}

Query::~Query()
{
    m_open = false;
    if (m_connection)
        m_connection->detach(this);
}

void Query::open()
{
    if (m_open)
        return;
    if (!m_connection)
        throw Error(QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
    RowSet rows;
    try {
        rows = m_connection->engine().select(m_sql);
    } catch (...) {
        m_connection->queryClosed(); // the connection may have opened for nothing
        throw;
    }
    m_rows = std::move(rows);
    bindFields();
    m_open = true;
    m_current = isEmpty() ? -1 : 0;
    m_lookupIndexes.clear();
    emit opened();
    emit currentRowChanged(m_current);
}

void Query::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_rows = RowSet();
    m_current = -1;
    m_lookupIndexes.clear();
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
    if (m_open)
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
    const int target = isEmpty() ? -1 : std::clamp(row, 0, rowCount() - 1);
    if (target == m_current)
        return;
    m_current = target;
    emit currentRowChanged(m_current);
}

void Query::next()
{
    if (m_current < 0)
        return;
    if (m_current + 1 >= rowCount()) {
        m_current = rowCount(); // past the last row
        return;
    }
    setCurrentRow(m_current + 1);
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
    if (!m_open || !key.isValid() || key.isNull())
        return -1;
    auto index = m_lookupIndexes.find(keyField.toLower());
    if (index == m_lookupIndexes.end()) {
        // Built once per open, so that each look-up is a hash probe, not a scan.
        QHash<qint64, int> rows;
        const int column = m_rows.indexOf(keyField);
        if (column >= 0) {
            rows.reserve(rowCount());
            for (int row = rowCount() - 1; row >= 0; --row) {
                if (!m_rows.isNull(row, column))
                    rows.insert(m_rows.integer(row, column), row);
            }
        }
        index = m_lookupIndexes.insert(keyField.toLower(), rows);
    }
    return index->value(key.toLongLong(), -1);
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

} // namespace qor
