#pragma once

#include "controls/GridColumn.h"

#include <QList>

namespace qor {

// The enrolment and expulsion columns as the roster shows them (order,
// number, day under "Зачисление" and "Отчисление", in money green and light
// pink), for the windows that list roster rows of a student.
QList<GridColumn> enrolmentAndExpulsionColumns();

} // namespace qor
