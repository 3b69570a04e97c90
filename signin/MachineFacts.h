#pragma once

#include <QString>

namespace qor {

// The host's name, at most 255 characters. Throws qor::Error when it cannot be had.
QString computerName();

// The first IPv4 address the resolver gives for the host's own name, as
// dotted decimal. Throws qor::Error with the resolver's text when it fails.
QString localIPv4Address();

} // namespace qor
