#include "controls/QueryModel.h"

#include "controls/GridColumn.h"
#include "controls/RowEditor.h"
#include "data/DataSource.h"
#include "data/DateTimeText.h"
#include "data/Query.h"

#include <QLocale>

namespace qor {

namespace {

GridColumn::Kind kindOf(const FieldDef &def)
{
    if (def.isLookup())
        return GridColumn::Kind::Lookup;
    switch (def.type) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
        return GridColumn::Kind::Integer;
    case ColumnType::Float:
        return GridColumn::Kind::Float;
    case ColumnType::DateTime:
        return GridColumn::Kind::DateTime;
    default:
        return GridColumn::Kind::Text;
    }
}

// The rows of a lookup field's source, as (key, text) pairs.
LookupChoices lookupChoicesOf(const FieldDef &def)
{
    LookupChoices choices;
    choices.items = [source = QPointer<const Query>(def.lookupSource), keyField = def.lookupKeyField,
                     textField = def.lookupResultField] {
        QList<std::pair<QVariant, QString>> items;
        if (!source)
            return items;
        const int key = source->fieldIndex(keyField);
        const int text = source->fieldIndex(textField);
        if (key < 0 || text < 0)
            return items;
        items.reserve(source->rowCount());
        for (int row = 0; row < source->rowCount(); ++row)
            items.append({source->valueAt(row, key), source->valueAt(row, text).toString()});
        return items;
    };
    return choices;
}

} // namespace

QueryModel::QueryModel(DataSource *source, const QStringList &fields, QObject *parent)
    : QAbstractTableModel(parent), m_query(source->dataSet()), m_fields(fields), m_rowEditor(RowEditor::of(m_query))
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
    connect(q, &Query::rowAboutToBeInserted, this, [this](int row) {
        m_changingRows = true;
        beginInsertRows({}, row, row);
    });
    connect(q, &Query::rowInserted, this, [this] {
        endInsertRows();
        m_changingRows = false;
    });
    connect(q, &Query::rowAboutToBeRemoved, this, [this](int row) {
        m_changingRows = true;
        beginRemoveRows({}, row, row);
    });
    connect(q, &Query::rowRemoved, this, [this] {
        endRemoveRows();
        m_changingRows = false;
    });
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
    case QMetaType::Double: {
        // "18500", as typed: no separator between thousands.
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(value.toDouble(), 'g', 15);
    }
    default:
        return value.toString();
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_fields.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    const int field = fieldOfColumn(section);
    switch (role) {
    case Qt::DisplayRole:
    case FieldNameRole:
        return m_fields[section];
    case FieldKindRole:
        return field < 0 ? QVariant() : QVariant(int(kindOf(m_query->field(field))));
    case MaxLengthRole:
        return field < 0 || m_query->field(field).type != ColumnType::Text ? 0 : m_query->field(field).size;
    case LookupChoicesRole:
        if (field < 0 || !m_query->field(field).isLookup())
            return {};
        return QVariant::fromValue(lookupChoicesOf(m_query->field(field)));
    default:
        return QAbstractTableModel::headerData(section, orientation, role);
    }
}

Qt::ItemFlags QueryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const int field = fieldOfColumn(index.column());
    if (field >= 0 && !m_query->field(field).readOnly && !m_query->isReadOnly())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool QueryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = fieldOfColumn(index.column());
    if (role != Qt::EditRole || field < 0 || index.row() != m_rowEditor->currentRow())
        return false;
    if (value.typeId() == QMetaType::QString && !m_query->field(field).isLookup()) {
        m_rowEditor->textTyped(field, value.toString());
        return m_rowEditor->commitText();
    }
    return m_rowEditor->choose(field, value);
}

} // namespace qor
