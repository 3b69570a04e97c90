#include "controls/RowGuard.h"

#include "controls/DataGrid.h"

namespace qor {

RowGuard::RowGuard(QAbstractItemModel *model, DataGrid *grid) : QItemSelectionModel(model, grid), m_grid(grid) {}

void RowGuard::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    // Leaving a row may drop a new row before the target: follow the target.
    const QPersistentModelIndex target(index);
    if (!m_grid->mayMoveTo(target))
        return;
    QItemSelectionModel::setCurrentIndex(target, command);
}

} // namespace qor
