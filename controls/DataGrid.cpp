#include "controls/DataGrid.h"

#include "controls/CellDelegate.h"
#include "controls/ColumnFitting.h"
#include "controls/DateTimeDelegate.h"
#include "controls/LookupDelegate.h"
#include "controls/QueryModel.h"
#include "controls/RowEditor.h"
#include "controls/RowGuard.h"
#include "controls/TwoLevelHeader.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace qor {

namespace {

// The vertical header as the row indicator: no numbers, a marker on the
// current row. Its width is the indicator's plus its line.
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(QAbstractItemView *view)
        : QHeaderView(Qt::Vertical, view), m_view(view)
    {
        setSectionsClickable(false);
        setMinimumSectionSize(1);
        setSectionResizeMode(QHeaderView::Fixed);
        setFixedWidth(IndicatorWidth + 1);
    }

    enum class Marker { Current, Editing, NewRow };

    // Marks the view's current row, read when painting so that it never lags
    // behind rows inserted or removed before it.
    void setMarker(Marker marker)
    {
        m_marker = marker;
        viewport()->update();
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.position = QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        if (logicalIndex != m_view->currentIndex().row())
            return;
        // A triangle on the current row; an I-beam while it is being edited,
        // a star while it is new, so that a row not yet written shows.
        const QPointF centre(rect.left() + IndicatorWidth / 2.0, rect.top() + rect.height() / 2.0);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        switch (m_marker) {
        case Marker::Current:
            painter->setPen(Qt::NoPen);
            painter->setBrush(Qt::black);
            painter->drawPolygon(QPolygonF({centre + QPointF(-2, -4), centre + QPointF(2.5, 0),
                                            centre + QPointF(-2, 4)}));
            break;
        case Marker::Editing:
            painter->setPen(QPen(Qt::black, 1));
            painter->drawLine(centre + QPointF(0, -4), centre + QPointF(0, 4));
            painter->drawLine(centre + QPointF(-2, -4), centre + QPointF(2, -4));
            painter->drawLine(centre + QPointF(-2, 4), centre + QPointF(2, 4));
            break;
        case Marker::NewRow:
            painter->setPen(QPen(Qt::black, 1.2));
            for (int angle : {0, 60, 120}) {
                const QLineF line = QLineF::fromPolar(3.5, angle).translated(centre);
                painter->drawLine(line.p2(), centre - (line.p2() - centre));
            }
            break;
        }
        painter->restore();
    }

private:
    const QAbstractItemView *m_view;
    Marker m_marker = Marker::Current;
};

int findModelColumn(const QAbstractItemModel *model, const GridColumn &column)
{
    const int count = model->columnCount();
    if (column.modelColumn >= 0)
        return column.modelColumn < count ? column.modelColumn : -1;
    if (column.field.isEmpty())
        return -1;
    for (int role : {FieldNameRole, int(Qt::DisplayRole)}) {
        for (int c = 0; c < count; ++c) {
            // Field names, like the database's, ignore case.
            if (model->headerData(c, Qt::Horizontal, role).toString().compare(column.field, Qt::CaseInsensitive) == 0)
                return c;
        }
    }
    return -1;
}

CellDelegate *makeDelegate(const GridColumn &column, QObject *parent)
{
    switch (column.kind) {
    case GridColumn::Kind::Lookup:
        return new LookupDelegate(column, parent);
    case GridColumn::Kind::DateTime:
        return new DateTimeDelegate(column, parent);
    default:
        return new CellDelegate(column, parent);
    }
}

} // namespace

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent)
    , m_header(new TwoLevelHeader(this))
{
    setHorizontalHeader(m_header);
    setVerticalHeader(new IndicatorHeader(this));
    QFont title = font();
    title.setBold(true);
    m_header->setFont(title);
    // Fitting may make a column narrower than a drag may (Qt would widen it).
    m_header->setMinimumSectionSize(1);
    m_header->setSectionResizeMode(QHeaderView::Interactive);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A click on the selected cell edits it too, at once (see mouseReleaseEvent):
    // the toolkit's own way waits a double-click interval, and keys typed
    // meanwhile would go to its keyboard search.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    updateRowHeight();

    connect(m_header, &QHeaderView::sectionResized, this, &DataGrid::onSectionResized);
    connect(m_header, &QHeaderView::sectionMoved, this, [this] {
        if (m_settingWidths)
            return;
        // Keep the user's order for when the model is reset.
        m_order.clear();
        for (int logical : shownColumnsInVisualOrder())
            m_order.append(describedColumnOf(logical));
        fitToWidth();
    });
}

void DataGrid::setModel(QAbstractItemModel *model)
{
    for (const auto &connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    QTableView::setModel(model);
    if (model) {
        // Every change of the current cell asks the grid first.
        QItemSelectionModel *plain = selectionModel();
        setSelectionModel(new RowGuard(model, this));
        delete plain;
        // After the header's own handlers, which forget moved and hidden sections.
        m_modelConnections.append(connect(model, &QAbstractItemModel::columnsInserted, this, &DataGrid::applyColumns));
        m_modelConnections.append(connect(model, &QAbstractItemModel::columnsRemoved, this, &DataGrid::applyColumns));
        m_modelConnections.append(connect(model, &QAbstractItemModel::columnsMoved, this, &DataGrid::applyColumns));
        m_modelConnections.append(connect(model, &QAbstractItemModel::modelReset, this, &DataGrid::applyColumns));
        // Columns are found by their header names, which may come after the columns.
        m_modelConnections.append(connect(model, &QAbstractItemModel::headerDataChanged, this,
                                          [this](Qt::Orientation orientation) {
                                              if (orientation == Qt::Horizontal && findModelColumns() != m_modelColumnOf)
                                                  applyColumns();
                                          }));
    }
    applyColumns();
}

void DataGrid::setColumns(const QList<GridColumn> &columns)
{
    m_described = columns;
    m_delegateSignature.clear();
    m_order.clear();
    m_proportions.clear();
    for (const GridColumn &column : columns)
        m_proportions.append(column.width);
    applyColumns();
}

int DataGrid::modelColumn(int describedColumn) const
{
    return m_modelColumnOf.value(describedColumn, -1);
}

QList<int> DataGrid::findModelColumns() const
{
    QList<int> found;
    for (const GridColumn &column : std::as_const(m_columns)) {
        const int c = model() ? findModelColumn(model(), column) : -1;
        found.append(found.contains(c) ? -1 : c); // one model column shows once
    }
    return found;
}

int DataGrid::describedColumnOf(int modelColumn) const
{
    return int(m_modelColumnOf.indexOf(modelColumn));
}

void DataGrid::applyColumns()
{
    m_settingWidths = true;
    m_header->clearTitles();
    m_modelColumnOf.clear();

    QAbstractItemModel *model = this->model();
    if (!model) {
        m_settingWidths = false;
        return;
    }
    const int count = model->columnCount();
    const bool described = !m_described.isEmpty();
    if (described) {
        m_columns = m_described;
    } else {
        // Without a description the grid shows every model column alike.
        m_columns.clear();
        m_proportions.clear();
        for (int c = 0; c < count; ++c) {
            GridColumn column;
            column.modelColumn = c;
            column.width = m_header->defaultSectionSize() - 1;
            m_columns.append(column);
            m_proportions.append(column.width);
        }
        m_order.clear();
    }
    m_modelColumnOf = findModelColumns();
    for (int c = 0; c < count; ++c)
        setColumnHidden(c, describedColumnOf(c) < 0);

    QList<int> order = m_order;
    if (order.size() != m_columns.size()) {
        order.clear();
        for (int i = 0; i < m_columns.size(); ++i)
            order.append(i);
    }
    int visual = 0;
    QList<std::pair<int, GridColumn>> editors; // model column, resolved column
    for (int i : std::as_const(order)) {
        const int logical = m_modelColumnOf.value(i, -1);
        if (logical < 0)
            continue;
        m_header->moveSection(m_header->visualIndex(logical), visual++);
        m_header->resizeSection(logical, int(m_proportions[i]) + 1);
        if (!described)
            continue;
        const GridColumn column = resolvedColumn(m_columns[i], logical);
        m_header->setTitle(logical, column.upperTitle, column.lowerTitle, column.upperTitleColor,
                           column.lowerTitleColor);
        editors.append({logical, column});
    }
    applyDelegates(editors);
    m_settingWidths = false;
    fitToWidth();
}

void DataGrid::applyDelegates(const QList<std::pair<int, GridColumn>> &editors)
{
    // A result set is closed and opened again at every pick: its columns
    // stay what they were, and so do their editors.
    QList<QString> signature;
    for (const auto &[logical, column] : editors) {
        signature.append(QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                             .arg(logical)
                             .arg(column.field)
                             .arg(int(column.kind))
                             .arg(column.maxLength)
                             .arg(column.readOnly)
                             .arg(bool(column.lookup.items))
                             .arg(column.color.name(QColor::HexArgb))
                             .arg(int(column.alignment)));
    }
    if (signature == m_delegateSignature && !m_delegates.isEmpty())
        return;
    m_delegateSignature = signature;
    for (int column : std::as_const(m_delegateColumns))
        setItemDelegateForColumn(column, nullptr);
    m_delegateColumns.clear();
    // Later, as an editor being closed may still use its delegate.
    for (QAbstractItemDelegate *delegate : std::as_const(m_delegates))
        delegate->deleteLater();
    m_delegates.clear();
    for (const auto &[logical, column] : editors) {
        m_delegates.append(makeDelegate(column, this));
        setItemDelegateForColumn(logical, m_delegates.last());
        m_delegateColumns.append(logical);
    }
}

GridColumn DataGrid::resolvedColumn(const GridColumn &described, int modelColumn) const
{
    GridColumn column = described;
    const auto header = [&](int role) { return model()->headerData(modelColumn, Qt::Horizontal, role); };
    if (const QVariant kind = header(FieldKindRole); kind.isValid())
        column.kind = GridColumn::Kind(kind.toInt());
    if (const QVariant length = header(MaxLengthRole); length.isValid())
        column.maxLength = length.toInt();
    if (const QVariant choices = header(LookupChoicesRole); choices.canConvert<LookupChoices>())
        column.lookup = choices.value<LookupChoices>();
    return column;
}

QList<int> DataGrid::shownColumnsInVisualOrder() const
{
    QList<int> shown;
    for (int v = 0; v < m_header->count(); ++v) {
        const int logical = m_header->logicalIndex(v);
        if (!m_header->isSectionHidden(logical) && describedColumnOf(logical) >= 0)
            shown.append(logical);
    }
    return shown;
}

QList<double> DataGrid::columnProportions() const
{
    QList<double> proportions;
    for (int logical : shownColumnsInVisualOrder())
        proportions.append(m_proportions[describedColumnOf(logical)]);
    return proportions;
}

int DataGrid::fittingClientWidth() const
{
    return viewport()->width() + (verticalHeader()->isHidden() ? 0 : IndicatorWidth + 1);
}

void DataGrid::fitToWidth()
{
    if (!m_fit || m_settingWidths || !model())
        return;
    const QList<int> shown = shownColumnsInVisualOrder();
    const QList<int> widths = fitColumnWidths(columnProportions(), fittingClientWidth());
    // Our own resizes are no user drags.
    m_settingWidths = true;
    for (int i = 0; i < shown.size(); ++i)
        m_header->resizeSection(shown[i], widths[i] + 1); // a section holds its column line
    m_settingWidths = false;
}

void DataGrid::onSectionResized(int logicalIndex, int oldSize, int newSize)
{
    const int described = describedColumnOf(logicalIndex);
    if (m_settingWidths || described < 0)
        return;
    if (!m_fit) {
        m_proportions[described] = std::max(0, newSize - 1);
        return;
    }
    const QList<int> shown = shownColumnsInVisualOrder();
    const int position = int(shown.indexOf(logicalIndex));
    QList<double> proportions = columnProportions();
    applyColumnDrag(proportions, position, oldSize - 1, newSize - 1);
    for (int i = 0; i < shown.size(); ++i)
        m_proportions[describedColumnOf(shown[i])] = proportions[i];
    fitToWidth();
}

void DataGrid::setGridBackground(const QColor &color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, color);
    setPalette(palette);
}

void DataGrid::setCellFont(const QFont &font)
{
    setFont(font);
    updateRowHeight();
}

void DataGrid::setTitleFont(const QFont &font)
{
    m_header->setFont(font);
    updateGeometries();
}

void DataGrid::setTwoLevelTitles(bool on)
{
    m_header->setTwoLevels(on);
    updateGeometries();
}

void DataGrid::setFitColumns(bool on)
{
    m_fit = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    fitToWidth();
}

void DataGrid::updateRowHeight()
{
    verticalHeader()->setDefaultSectionSize(lineHeight(font()) + 4);
}

bool DataGrid::viewportEvent(QEvent *event)
{
    const bool handled = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        fitToWidth();
    return handled;
}

bool DataGrid::isCellEditable(const QModelIndex &index) const
{
    const int described = describedColumnOf(index.column());
    if (described >= 0 && m_columns[described].readOnly)
        return false;
    return index.flags() & Qt::ItemIsEditable;
}

QModelIndex DataGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if ((cursorAction != MoveNext && cursorAction != MovePrevious) || !current.isValid() || !model())
        return QTableView::moveCursor(cursorAction, modifiers);

    // Tab and Shift+Tab pass over read-only cells, on to the next or previous row.
    const int rows = model()->rowCount(rootIndex());
    const int columns = m_header->count();
    const int step = cursorAction == MoveNext ? 1 : -1;
    int row = current.row();
    int visual = m_header->visualIndex(current.column());
    // Two rows' worth of cells finds an editable one if any column has one.
    for (int tries = 0; tries < 2 * columns; ++tries) {
        visual += step;
        if (visual >= columns) {
            visual = 0;
            ++row;
        } else if (visual < 0) {
            visual = columns - 1;
            --row;
        }
        if (row < 0 || row >= rows)
            return current;
        const int logical = m_header->logicalIndex(visual);
        // A column dragged to nothing holds no cell anyone could see.
        if (isColumnHidden(logical) || isRowHidden(row) || columnWidth(logical) <= 1)
            continue;
        const QModelIndex candidate = model()->index(row, logical, rootIndex());
        if (isCellEditable(candidate))
            return candidate;
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_extendingRows)
        m_selectionStart = current;
    updateIndicator();
}

void DataGrid::updateIndicator()
{
    using Marker = IndicatorHeader::Marker;
    Marker marker = Marker::Current;
    if (m_rows && m_rows->isEditing())
        marker = m_rows->isNewRow() ? Marker::NewRow : Marker::Editing;
    static_cast<IndicatorHeader *>(verticalHeader())->setMarker(marker);
}

} // namespace qor
