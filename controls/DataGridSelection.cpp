// The data grid's selection of several whole rows, for the commands that
// work on many rows at once. The current row, its editing and its writing
// stay the grid's own: a move made here goes through the same rule as any
// other (the row left is written first, or the move is refused).
#include "controls/DataGrid.h"

#include "controls/QueryModel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <algorithm>

namespace qor {

QList<int> DataGrid::selectedModelRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DataGrid::selectModelRows(const QList<int> &rows)
{
    // Runs of rows as one range each: every row of a large roster is one range.
    QItemSelection selection;
    const int lastColumn = model()->columnCount() - 1;
    for (int i = 0; i < rows.size();) {
        int last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        selection.append(QItemSelectionRange(model()->index(rows[i], 0), model()->index(rows[last], lastColumn)));
        i = last + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QList<int> DataGrid::selectedQueryRows() const
{
    QList<int> rows = selectedModelRows();
    if (rows.isEmpty() && currentIndex().isValid())
        rows.append(currentIndex().row());
    if (!m_queryModel)
        return rows;
    QList<int> queryRows;
    queryRows.reserve(rows.size());
    for (int row : std::as_const(rows)) {
        if (const int queryRow = m_queryModel->queryRow(row); queryRow >= 0)
            queryRows.append(queryRow);
    }
    std::sort(queryRows.begin(), queryRows.end());
    return queryRows;
}

void DataGrid::selectAllRows()
{
    if (!model() || model()->rowCount() == 0 || model()->columnCount() == 0)
        return;
    selectionModel()->select(QItemSelection(model()->index(0, 0),
                                            model()->index(model()->rowCount() - 1, model()->columnCount() - 1)),
                             QItemSelectionModel::ClearAndSelect);
}

void DataGrid::moveSelectingRows(const QModelIndex &target, bool extend, bool keepOthers)
{
    if (!target.isValid())
        return;
    const QPersistentModelIndex to(target);
    const QPersistentModelIndex from = m_selectionStart.isValid() ? m_selectionStart : QPersistentModelIndex(currentIndex());
    QList<int> rows = keepOthers ? selectedModelRows() : QList<int>();
    const bool wasSelected = rows.contains(to.row());
    const int rowCount = model()->rowCount();
    {
        QScopedValueRollback extending(m_extendingRows, extend);
        // As any move: the row left is written first, or the move is refused.
        selectionModel()->setCurrentIndex(to, QItemSelectionModel::NoUpdate);
    }
    if (!to.isValid() || currentIndex() != QModelIndex(to))
        return;
    // A new row nobody changed was dropped on the way: the rows kept are
    // others now, and only the persistent target and start followed.
    if (model()->rowCount() != rowCount)
        rows.clear();
    if (extend) {
        const int first = from.isValid() ? std::min(from.row(), to.row()) : to.row();
        const int last = from.isValid() ? std::max(from.row(), to.row()) : to.row();
        for (int row = first; row <= last; ++row)
            rows.append(row);
    } else if (wasSelected) {
        rows.removeAll(to.row());
    } else {
        rows.append(to.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selectModelRows(rows);
}

bool DataGrid::selectRowsByKey(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        selectAllRows();
        return true;
    }
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier || !currentIndex().isValid())
        return false;
    CursorAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    default:
        return false;
    }
    // The rows already selected with Shift stay when more are added.
    moveSelectingRows(moveCursor(action, Qt::NoModifier), true, false);
    return true;
}

bool DataGrid::selectRowsByClick(QMouseEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const QModelIndex target = indexAt(event->position().toPoint());
    if (!target.isValid())
        return false;
    // The right button on one of several rows selected opens the menu for them all, as they are.
    if (event->button() == Qt::RightButton) {
        const QList<int> rows = selectedModelRows();
        if (rows.size() < 2 || !rows.contains(target.row()))
            return false;
        event->accept();
        return true;
    }
    if (event->button() != Qt::LeftButton || !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier)))
        return false;
    const bool shift = modifiers & Qt::ShiftModifier;
    moveSelectingRows(target, shift, modifiers & Qt::ControlModifier);
    event->accept();
    return true;
}

} // namespace qor
