#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace qor::tsql {

// Removes database and schema qualifiers ("[QOR].[dbo].[s_fio]" and
// "dbo.faculty.[p23-1]" become "[s_fio]" and "faculty.[p23-1]") outside string
// literals, quoted names and comments: the embedded engine has one database
// and no schemas.
QString stripQualifiers(const QString &statement);

// "CAST('YYYYMMDD' AS datetime)", the day the server reads the same under
// any date format, becomes the literal of its stored form
// ('YYYY-MM-DD 00:00:00'), so that it compares with the date columns as on
// the server. A cast inside a text cannot match: its quotes are doubled.
QString castDateLiterals(const QString &statement);

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

// Reads a date-time the way the server reads a literal into a datetime column:
// 'YYYYMMDD' with an optional time, ISO 'YYYY-MM-DD[ T]hh:mm[:ss[.fff]]', and
// day, month and year separated by '.', '/' or '-' in the given order (dmy,
// mdy...). Returns nothing when the text is no date.
std::optional<QDateTime> parseDateTime(const QString &text, const QString &dateFormat = QStringLiteral("dmy"));

// The server's text for a literal that is no date.
QString dateConversionError();

// The server's text for a syntax error SQLite reports in its words ("near
// "X": syntax error", "incomplete input", where the server names the last
// token); nothing for any other message.
std::optional<QString> serverSyntaxError(const QByteArray &sqliteMessage, const QString &statement);

// What one statement (as SQLite takes it) writes to: its verb, its table and,
// for an insert, the columns it lists. Reads the head only.
struct WriteTarget
{
    enum Verb { Other, Insert, Update, Delete };
    Verb verb = Other;
    QString table;                      // the last part of a dotted name, unquoted
    std::optional<QStringList> columns; // an insert's column list, unquoted; none when it has none
    bool defaultValues = false;         // INSERT ... DEFAULT VALUES
};
WriteTarget writeTarget(const QString &statement);

// The server's refusals of a key its identity column assigns.
QString explicitIdentityError(const QString &table);       // a column list names the key
QString identityWithoutColumnListError(const QString &table); // no column list
QString identityUpdateError(const QString &column);

} // namespace qor::tsql
