#pragma once

#include <QString>

namespace qor {

class Query;

// The GET_USER call of the sign-in: its statement text and the reading of
// its reply row, the same on every engine.

// The new-password text that stands for "no new password".
inline const QString NoNewPassword = QStringLiteral("NULL");

// The client's name and number as GET_USER checks them against min_client.
inline const QString ClientName = QStringLiteral("QOR 12");

// NULL, or the new password's digest in quotes.
QString newPasswordArgument(const QString &newPassword, const QString &newPasswordDigest);

// EXEC GET_USER with its nine arguments.
QString getUserStatement(const QString &login, const QString &passwordDigest, const QString &newPasswordArgument,
                         const QString &address, const QString &computerName);

// What the first row of GET_USER's reply says.
struct GetUserReply
{
    enum Kind { Outdated, ServerMessage, ForcedChange, SuggestedChange, WorkingLogin };
    Kind kind = ServerMessage;
    QString message;  // column 4
    QString userName; // columns 0 and 1 decoded, for WorkingLogin
    QString password;
};

// Reads the reply in the exchange's order: message and outdated flag, then
// the standing, then the credentials, so a column that is never reached
// cannot fail the attempt. The suggestion is made at the first attempt only.
// Throws qor::Error for a column beyond the last, a non-numeric integer
// column, or credentials that are no stored form.
GetUserReply readGetUserReply(const Query &reply, quint8 attempt);

} // namespace qor
