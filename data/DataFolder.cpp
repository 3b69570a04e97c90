#include "data/DataFolder.h"

#include <QCoreApplication>

namespace qor {

namespace {
QString &overridden()
{
    static QString folder;
    return folder;
}
} // namespace

QString dataFolder()
{
    if (!overridden().isEmpty())
        return overridden();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Data");
}

void setDataFolder(const QString &folder)
{
    overridden() = folder;
}

QString embeddedDatabaseFile(const QString &catalog)
{
    return dataFolder() + u'/' + catalog + QStringLiteral(".db");
}

} // namespace qor
