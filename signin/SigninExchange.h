#pragma once

#include <QString>

#include <functional>

namespace qor {

class Query;

// The parts of the sign-in exchange that need no window: the GET_USER call,
// the reading of its reply, and the title.

// The new-password text that stands for "no new password".
inline const QString NoNewPassword = QStringLiteral("NULL");

// The client's name and number as GET_USER checks them against min_client.
inline const QString ClientName = QStringLiteral("QOR 12");

// The main window's title: design caption, version, build stamp, subsystem.
QString composeTitle(const QString &designCaption, const QString &stampText);

// The build stamp of the executable as the title shows it; empty when it
// cannot be read or is no valid date and time, so the title still shows.
QString titleStampText(const QString &exePath);

// A text between single quotes in a statement, its own quotes doubled so that
// it stays one literal.
QString quotedLiteral(const QString &text);

// NULL, or the new password's digest in quotes.
QString newPasswordArgument(const QString &newPassword, const QString &newPasswordDigest);

// EXEC GET_USER with its nine arguments.
QString getUserStatement(const QString &login, const QString &passwordDigest,
                         const QString &newPasswordArgument, const QString &address,
                         const QString &computerName);

// The connection error text as the status label shows it: without the gate
// login, which the user is not to learn.
QString withoutGateLogin(QString text, const QString &gateLogin);

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

// What the exchange asks of the machine and the process. Tests replace them.
struct SigninHooks
{
    static std::function<QString()> computerName;
    static std::function<QString()> localAddress;
    // Blocks the whole program, so the outdated-client notice stays up.
    static std::function<void(int milliseconds)> wait;
    static std::function<void(int exitCode)> exitProcess;
};

} // namespace qor
