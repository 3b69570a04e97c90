#pragma once

#include <QtGlobal>

namespace qor {

// A number that grows with every key press, mouse press and window close
// request the program receives, so that what one press caused (a focus change, a refused move)
// can be told apart from what the next press asks.
quint64 inputSerial();

} // namespace qor
