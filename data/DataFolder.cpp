#include "data/DataFolder.h"

#include "engine/Error.h"

#include <QCoreApplication>
#include <QRegularExpression>

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
    static const QRegularExpression plainName(QRegularExpression::anchoredPattern(QStringLiteral("[\\p{L}\\p{N}_$#@-]+")));
    if (!plainName.match(catalog).hasMatch())
        throw Error(QStringLiteral("Invalid database name '%1': the embedded database is named plainly "
                                   "(letters, digits, _ - $ # @), without a folder.").arg(catalog));
    return dataFolder() + u'/' + catalog + QStringLiteral(".db");
}

} // namespace qor
