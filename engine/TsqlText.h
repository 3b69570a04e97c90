#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace qor::tsql {

// Reading the client's statement texts as SQL Server reads them, and the
// server's words for what it refuses: what every engine that answers those
// texts shares.

// Position after the blanks and comments that start at i.
qsizetype skipBlanksAndComments(const QString &s, qsizetype i);
// Length of the token at i, which is no blank or comment: a quoted run ('...',
// [...], "..." with their closers doubled), a name, a number, an operator of
// two characters or one character; 0 at the end.
qsizetype tokenLength(const QString &s, qsizetype i);
// A name without its brackets or quotes.
QString unquotedName(QStringView name);
// The words the server reserves: a syntax error next to one says "the keyword".
bool isReservedKeyword(const QString &token);

// Removes database and schema qualifiers ("[QOR].[dbo].[s_fio]" and
// "dbo.faculty.[p23-1]" become "[s_fio]" and "faculty.[p23-1]") outside string
// literals, quoted names and comments: the engines keep one database and no
// schemas of the client's.
QString stripQualifiers(const QString &statement);

// "EXEC[UTE] [dbo.]name arg, arg..." with literal arguments ('text' with ''
// for a quote, N'text', NULL, numbers). NULL comes back as a null QVariant.
struct Call
{
    QString procedure;
    QList<QVariant> arguments;
};
std::optional<Call> parseExec(const QString &statement); // throws qor::Error on bad arguments

// "SET DATEFORMAT dmy" and its kin: the order name, lower-case.
std::optional<QString> parseSetDateFormat(const QString &statement); // throws on an unknown order

// What one statement writes to: its verb, its table and, for an insert, the
// columns it lists. Reads the head only.
struct WriteTarget
{
    enum Verb { Other, Insert, Update, Delete };
    Verb verb = Other;
    QString table;                      // the last part of a dotted name, unquoted
    std::optional<QStringList> columns; // an insert's column list, unquoted; none when it has none
    bool defaultValues = false;         // INSERT ... DEFAULT VALUES
};
WriteTarget writeTarget(const QString &statement);

// The last token of a statement: where the server says a text that ended
// early went wrong.
QString lastToken(const QString &statement);

// The server's texts.
QString syntaxErrorNear(const QString &token);
QString nulCharacterError(); // a statement holding U+0000, which a C string ends at
QString procedureNotFoundError(const QString &procedure);
QString executePermissionError(const QString &procedure, const QString &catalog);
QString permissionDeniedError(); // a table or statement the login may not use
// A write to movement_counts, the roster's counts per group and dates: on
// the server a view over the roster that no statement may change.
QString countsNotUpdatableError();
QString dateConversionError();                                // a literal that is no date
QString truncationError();                                    // a text longer than its column
QString explicitIdentityError(const QString &table);          // a column list names the key
QString identityWithoutColumnListError(const QString &table); // no column list
QString identityUpdateError(const QString &column);
// A written row refers to no row of the table and column named.
QString foreignKeyConflictError(WriteTarget::Verb verb, const QString &constraint, const QString &catalog,
                                const QString &table, const QString &column);
// Rows of the table and column named still refer to the row deleted or changed.
QString referenceConflictError(WriteTarget::Verb verb, const QString &constraint, const QString &catalog,
                               const QString &table, const QString &column);

} // namespace qor::tsql
