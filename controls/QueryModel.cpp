#include "controls/QueryModel.h"

#include "controls/GridColumn.h"
#include "controls/NameFilter.h"
#include "controls/RowEditor.h"
#include "data/DataSource.h"
#include "data/DateTimeText.h"
#include "data/NameIndex.h"
#include "data/Query.h"

#include <QLocale>

#include <algorithm>

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
        if (m_filter) {
            m_filter->reindex();
            chooseShownRows();
        }
        endResetModel();
        watchLookupSources();
    });
    connect(q, &Query::closed, this, [this] {
        beginResetModel();
        m_shown.clear();
        endResetModel();
    });
    connect(q, &Query::rowAboutToBeInserted, this, &QueryModel::onRowAboutToBeInserted);
    connect(q, &Query::rowInserted, this, [this] {
        endInsertRows();
        m_changingRows = false;
    });
    connect(q, &Query::rowAboutToBeRemoved, this, &QueryModel::onRowAboutToBeRemoved);
    connect(q, &Query::rowRemoved, this, &QueryModel::onRowRemoved);
    connect(q, &Query::rowChanged, this, [this](int row) {
        if (m_filter)
            m_filter->rowChanged(row);
        const int shown = modelRow(row);
        if (shown >= 0 && shown < rowCount())
            emit dataChanged(index(shown, 0), index(shown, columnCount() - 1));
    });
    watchLookupSources();
}

QueryModel::~QueryModel() = default;

void QueryModel::onRowAboutToBeInserted(int row)
{
    m_changingRows = true;
    if (m_filter)
        m_filter->rowInserted(row);
    if (!m_filtered) {
        beginInsertRows({}, row, row);
        return;
    }
    // A new row is shown, whatever the filter: it is there to be typed into.
    const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), row);
    const int position = int(at - m_shown.begin());
    beginInsertRows({}, position, position);
    for (auto later = at; later != m_shown.end(); ++later)
        ++*later;
    m_shown.insert(m_shown.begin() + position, row);
}

void QueryModel::onRowAboutToBeRemoved(int row)
{
    m_changingRows = true;
    const int shown = modelRow(row);
    m_removingShown = shown >= 0;
    if (m_removingShown)
        beginRemoveRows({}, shown, shown);
}

void QueryModel::onRowRemoved(int row)
{
    if (m_filter)
        m_filter->rowRemoved(row);
    if (m_filtered) {
        auto at = std::lower_bound(m_shown.begin(), m_shown.end(), row);
        if (at != m_shown.end() && *at == row)
            at = m_shown.erase(at);
        for (; at != m_shown.end(); ++at)
            --*at;
    }
    if (std::exchange(m_removingShown, false))
        endRemoveRows();
    m_changingRows = false;
}

void QueryModel::setFilterFields(const QStringList &fields)
{
    beginResetModel();
    m_filter = std::make_unique<NameFilter>(m_query, fields);
    m_filter->reindex();
    chooseShownRows();
    endResetModel();
}

void QueryModel::filterRows(const QString &typed)
{
    if (!m_filter)
        return;
    m_typed = typed;
    beginResetModel();
    chooseShownRows();
    endResetModel();
    keepCurrentRowShown();
    emit rowsFiltered();
}

void QueryModel::chooseShownRows()
{
    m_filtered = m_query && m_query->isOpen() && !NameIndex::typedWords(m_typed).empty();
    m_shown.clear();
    if (!m_filtered)
        return;
    m_shown = m_filter->matchingRows(m_typed);
    // Nothing being typed into a row leaves the screen.
    const int current = m_query->currentRow();
    if (m_query->isEditing() && current >= 0 && current < m_query->rowCount()) {
        const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), current);
        if (at == m_shown.end() || *at != current)
            m_shown.insert(at, current);
    }
}

void QueryModel::keepCurrentRowShown()
{
    if (!m_query || !m_query->isOpen() || rowCount() == 0 || modelRow(m_query->currentRow()) >= 0)
        return;
    m_rowEditor->moveTo(queryRow(0));
}

int QueryModel::queryRow(int modelRow) const
{
    if (!m_filtered)
        return modelRow;
    return modelRow >= 0 && size_t(modelRow) < m_shown.size() ? m_shown[size_t(modelRow)] : -1;
}

int QueryModel::modelRow(int queryRow) const
{
    if (!m_filtered)
        return queryRow;
    const auto at = std::lower_bound(m_shown.begin(), m_shown.end(), queryRow);
    return at != m_shown.end() && *at == queryRow ? int(at - m_shown.begin()) : -1;
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
    if (parent.isValid() || !m_query)
        return 0;
    return m_filtered ? int(m_shown.size()) : m_query->rowCount();
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
    const int row = queryRow(index.row());
    if (role == Qt::EditRole && def.isLookup())
        return m_query->valueAt(row, m_query->fieldIndex(def.keyField));
    const QVariant value = m_query->valueAt(row, field);
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
    if (role != Qt::EditRole || field < 0 || queryRow(index.row()) != m_rowEditor->currentRow())
        return false;
    if (value.typeId() == QMetaType::QString && !m_query->field(field).isLookup()) {
        m_rowEditor->textTyped(field, value.toString());
        return m_rowEditor->commitText();
    }
    return m_rowEditor->choose(field, value);
}

} // namespace qor
