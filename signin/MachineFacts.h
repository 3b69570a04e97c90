#pragma once

#include <QString>

namespace qor {

// The first IPv4 address the resolver gives for the host's own name, as
// dotted decimal. Throws qor::Error with the resolver's text when it fails.
QString localIPv4Address();

} // namespace qor
