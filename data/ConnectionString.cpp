#include "data/ConnectionString.h"

#include "engine/Error.h"

namespace qor {

namespace {
const QString Head = QStringLiteral("Provider=SQLOLEDB.1;Password=");
const QString BeforeUser = QStringLiteral(";Persist Security Info=True;User ID=");
const QString BeforeCatalog = QStringLiteral(";Initial Catalog=");
const QString BeforeSource = QStringLiteral(";Data Source=");
const QString Tail = QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;"
                                    "Packet Size=4096;Use Encryption for Data=False;"
                                    "Tag with column collation when possible=False");
} // namespace

QString composeConnectionString(const ConnectionSettings &s)
{
    return Head + s.password + BeforeUser + s.userName + BeforeCatalog + s.catalog
           + BeforeSource + s.dataSource + Tail;
}

ConnectionSettings parseConnectionString(const QString &text)
{
    const auto invalid = [] {
        return Error(QStringLiteral("Invalid connection string: it does not follow the QOR template"));
    };
    if (!text.startsWith(Head) || !text.endsWith(Tail))
        throw invalid();

    const qsizetype end = text.size() - Tail.size();
    // The data source and catalog are searched from the end, the user from the
    // password's end, so that a separator-like text in the password stays in it.
    const qsizetype source = text.lastIndexOf(BeforeSource, end);
    const qsizetype catalog = source < 0 ? -1 : text.lastIndexOf(BeforeCatalog, source);
    const qsizetype user = catalog < 0 ? -1 : text.lastIndexOf(BeforeUser, catalog);
    if (source < 0 || catalog < 0 || user < Head.size())
        throw invalid();

    ConnectionSettings s;
    s.password = text.mid(Head.size(), user - Head.size());
    s.userName = text.mid(user + BeforeUser.size(), catalog - user - BeforeUser.size());
    s.catalog = text.mid(catalog + BeforeCatalog.size(), source - catalog - BeforeCatalog.size());
    s.dataSource = text.mid(source + BeforeSource.size(), end - source - BeforeSource.size());
    return s;
}

} // namespace qor
