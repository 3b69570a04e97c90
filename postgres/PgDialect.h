#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace qor::pg {

// A client statement, written in SQL Server's dialect, as PostgreSQL runs it.
struct Statement
{
    QString text;               // PostgreSQL's dialect; error positions point into it
    QList<QVariant> parameters; // the values of $1, $2...
    QString procedure;          // the procedure an EXEC called, empty for any other statement
};

// Translates the constructs the client's statements use:
// - database and schema qualifiers go ([QOR].[dbo].[s_fio] is s_fio);
// - bracketed and double-quoted names become PostgreSQL's quoted names in
//   lower case, as the server's case-blind names match the schema's;
// - N'text' is 'text';
// - CAST(... AS datetime) casts to timestamp(0), the columns' type; a
//   'YYYYMMDD' literal PostgreSQL reads as the server does;
// - EXEC name arg, ... calls the function of that name with the arguments
//   bound, its rows the procedure's;
// - SET DATEFORMAT dmy (mdy, ymd) sets DateStyle to that order.
// The rest passes as it is: ROW_NUMBER() OVER, joins, SELECT * over a join
// (whose duplicate names the engine's reading resolves), DISTINCT, GROUP
// BY. Throws qor::Error for a text no statement may hold, bad EXEC
// arguments or a date order PostgreSQL has not.
Statement translate(const QString &statement);

// The token of a translated statement at a 0-based position (where
// PostgreSQL says an error is), or its last token when the position is past
// its end; unquoted when it is a name.
QString tokenAt(const QString &statement, qsizetype position);

// A name as PostgreSQL's quoted identifier, letter case kept.
QByteArray quotedIdentifier(const QString &name);
// A name of the client's as PostgreSQL's quoted identifier: the client's
// names ignore letter case, and the schema's are lower case.
QByteArray quotedName(const QString &name);

} // namespace qor::pg
