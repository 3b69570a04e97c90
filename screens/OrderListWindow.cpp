#include "screens/OrderListWindow.h"

#include "controls/ClassicLook.h"

#include <QPalette>

namespace qor {

void setUpOrderList(DataGrid *grid, Navigator *navigator, DataSource *orders, const GridColumn &column)
{
    grid->setGridBackground(grid->palette().color(QPalette::Active, QPalette::Base));
    grid->setCellFont(tahoma(11));
    grid->setTitleFont(tahoma(11, true));
    grid->setColumns({column});
    grid->setDataSource(orders);
    navigator->setGrid(grid, Navigator::Insert | Navigator::Delete);
}

} // namespace qor
