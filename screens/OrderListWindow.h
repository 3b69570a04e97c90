#pragma once

#include "controls/DataGrid.h"
#include "controls/Navigator.h"

namespace qor {

class DataSource;

// What the two order list windows share: a grid of one column of an order
// list in the system's window colour, with a navigator that inserts and
// deletes. The lists are neither re-run when a window opens nor when it closes.
void setUpOrderList(DataGrid *grid, Navigator *navigator, DataSource *orders, const GridColumn &column);

} // namespace qor
