#pragma once

#include <QItemSelectionModel>

namespace qor {

class DataGrid;

// The current-cell keeper of a data grid. Every change of the current cell,
// by key, mouse or code, passes here, so that the grid can write the row
// being left, or refuse the move, before the view moves.
class RowGuard : public QItemSelectionModel
{
    Q_OBJECT

public:
    RowGuard(QAbstractItemModel *model, DataGrid *grid);

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;

private:
    DataGrid *m_grid;
};

} // namespace qor
