#pragma once

#include "engine/TsqlText.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace qor::tsql {

// The embedded engine's side of the T-SQL layer: dates in its one stored
// form, and SQLite's words turned into the server's.

// "CAST('YYYYMMDD' AS datetime)", the day the server reads the same under
// any date format, becomes the literal of its stored form
// ('YYYY-MM-DD 00:00:00'), so that it compares with the date columns as on
// the server. A cast inside a text cannot match: its quotes are doubled.
QString castDateLiterals(const QString &statement);

// Reads a date-time the way the server reads a literal into a datetime column:
// 'YYYYMMDD' with an optional time, ISO 'YYYY-MM-DD[ T]hh:mm[:ss[.fff]]', and
// day, month and year separated by '.', '/' or '-' in the given order (dmy,
// mdy...). Returns nothing when the text is no date.
std::optional<QDateTime> parseDateTime(const QString &text, const QString &dateFormat = QStringLiteral("dmy"));

// The server's text for a syntax error SQLite reports in its words ("near
// "X": syntax error", "incomplete input", where the server names the last
// token); nothing for any other message.
std::optional<QString> serverSyntaxError(const QByteArray &sqliteMessage, const QString &statement);

} // namespace qor::tsql
