#pragma once

#include <QString>

namespace qor::admin {

// Fills a new embedded database with demo faculties (one without groups),
// groups, students, orders and roster rows.
void fillDemoData(const QString &file);

} // namespace qor::admin
