#pragma once

#include <QString>

namespace qor {

// The folder "Data" beside the executable: the settings file and the
// embedded databases live there. Tests point it elsewhere.
QString dataFolder();
void setDataFolder(const QString &folder);

// The embedded database file of a catalog: Data/<catalog>.db. The catalog
// comes from the settings file and must be a plain name, never a path that
// leads out of Data; anything else throws qor::Error.
QString embeddedDatabaseFile(const QString &catalog);

} // namespace qor
