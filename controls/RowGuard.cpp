#include "controls/RowGuard.h"

#include "controls/DataGrid.h"

#include <QTimer>

namespace qor {

RowGuard::RowGuard(QAbstractItemModel *model, DataGrid *grid) : QItemSelectionModel(model, grid), m_grid(grid) {}

void RowGuard::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    // Leaving a row may drop a new row before the target: follow the target.
    const QPersistentModelIndex target(index);
    if (!m_grid->mayMoveTo(target)) {
        // The view may go on to select the refused cell: the selection
        // stays with the current cell.
        QTimer::singleShot(0, this, [this] {
            if (currentIndex().isValid())
                select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        });
        return;
    }
    QItemSelectionModel::setCurrentIndex(target, command);
}

} // namespace qor
