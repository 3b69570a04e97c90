#pragma once

namespace qor {
class Engine;
}

namespace qor::admin {

// Fills a new QOR database (embedded or on a server) with demo faculties (one
// without groups), groups, students, orders and roster rows, with the owner's
// rights, inside the transaction the caller holds.
void fillDemoData(Engine &db);

} // namespace qor::admin
