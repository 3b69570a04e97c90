#include "controls/QueryModel.h"

#include "controls/GridColumn.h"
#include "controls/UserAction.h"
#include "data/DataSource.h"
#include "data/DateTimeText.h"
#include "data/Query.h"

#include <QLocale>

namespace qor {

QueryModel::QueryModel(DataSource *source, const QStringList &fields, QObject *parent)
    : QAbstractTableModel(parent), m_query(source->dataSet()), m_fields(fields)
{
    Query *q = m_query;
    connect(q, &Query::opened, this, [this] {
        beginResetModel();
        endResetModel();
        watchLookupSources();
    });
    connect(q, &Query::closed, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(q, &Query::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(q, &Query::rowInserted, this, [this] { endInsertRows(); });
    connect(q, &Query::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(q, &Query::rowRemoved, this, [this] { endRemoveRows(); });
    connect(q, &Query::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    watchLookupSources();
}

Query *QueryModel::query() const
{
    return m_query;
}

void QueryModel::watchLookupSources()
{
    // Looked-up texts change with the rows they are looked up in.
    for (int column = 0; column < m_fields.size(); ++column) {
        const int field = fieldOfColumn(column);
        if (field < 0 || !m_query->field(field).isLookup())
            continue;
        Query *source = m_query->field(field).lookupSource;
        if (m_watched.contains(source))
            continue;
        m_watched.insert(source);
        const auto refresh = [this] {
            if (rowCount() > 0)
                emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        };
        connect(source, &Query::opened, this, refresh);
        connect(source, &Query::rowChanged, this, refresh);
        connect(source, &Query::rowRemoved, this, refresh);
    }
}

int QueryModel::fieldOfColumn(int column) const
{
    if (!m_query || column < 0 || column >= m_fields.size())
        return -1;
    return m_query->fieldIndex(m_fields[column]);
}

int QueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_query ? 0 : m_query->rowCount();
}

int QueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant QueryModel::data(const QModelIndex &index, int role) const
{
    const int field = fieldOfColumn(index.column());
    if (field < 0 || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const FieldDef &def = m_query->field(field);
    if (role == Qt::EditRole && def.isLookup())
        return m_query->valueAt(index.row(), m_query->fieldIndex(def.keyField));
    const QVariant value = m_query->valueAt(index.row(), field);
    if (role == Qt::EditRole || !value.isValid() || value.isNull())
        return value;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return localDateTimeText(value.toDateTime());
    case QMetaType::Double:
        return QLocale().toString(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_fields.size()
        && (role == FieldNameRole || role == Qt::DisplayRole))
        return m_fields[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags QueryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const int field = fieldOfColumn(index.column());
    if (field >= 0 && !m_query->field(field).readOnly)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool QueryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = fieldOfColumn(index.column());
    if (role != Qt::EditRole || field < 0)
        return false;
    bool done = false;
    runUserAction([&] {
        if (m_query->currentRow() != index.row())
            m_query->setCurrentRow(index.row());
        if (value.typeId() == QMetaType::QString && !m_query->field(field).isLookup())
            m_query->setText(field, value.toString()); // typed text is converted to the column's type
        else
            m_query->setValue(field, value);
        done = true;
    });
    return done;
}

} // namespace qor
