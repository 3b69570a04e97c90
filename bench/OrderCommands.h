#pragma once

#include <QStringList>

// One order for many students, beside the engine alone: 500 selected roster
// rows expelled until the roster is read again, the orders used listed, the
// students under one order listed.
// qor-bench --orders [--students N] [--repeat N] [--keep DIR]
int measureOrderCommands(const QStringList &args);
