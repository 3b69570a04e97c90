#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace qor {

// The members of a zip archive held in memory, by name, each read to its
// end, which checks its size and CRC against the directory's. Empty when
// the archive is not whole: no directory, headers that disagree, a member
// cut short or damaged.
QHash<QString, QByteArray> wholeZipMembers(const QByteArray &archive);

} // namespace qor
