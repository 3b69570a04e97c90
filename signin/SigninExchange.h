#pragma once

#include "data/GetUser.h"

#include <QString>

#include <functional>

namespace qor {

class Connection;
class Query;

// The sign-in exchange without its window: the settings file, the gate, the
// GET_USER call and the reading of its reply, and the working connection.
// It decides; the window shows what it decided.

// What the user typed, and which press of the sign-in button this is.
struct SigninRequest
{
    QString login;
    QString password;
    QString newPassword = NoNewPassword;
    quint8 attempt = 0;
};

// How an attempt ended.
struct SigninOutcome
{
    enum Kind {
        Refused,            // nothing was sent: a text the code page cannot hold
        Outdated,           // the client is too old: the program ends after a notice
        ServerMessage,      // GET_USER's message
        ForcedChange,       // a new password first; the more button is disabled
        SuggestedChange,    // a new password is offered; the more button stays
        CallFailed,         // GET_USER or its reply failed: errorText in a message box first
        WorkingLoginFailed, // the working connection did not open
        SignedIn            // the connection is open as the user
    };
    Kind kind = Refused;
    QString statusText;            // for the status label; SignedIn leaves the label alone
    QString errorText;             // CallFailed only
    bool clearNewPassword = false; // the new password was refused: both of its edits are emptied
};

// What the window learns in the middle of an attempt, at once.
struct SigninProgress
{
    // The gate did not open: the error text for a message box, and the status
    // label's text without the gate login. The attempt goes on.
    std::function<void(const QString &errorText, const QString &statusText)> gateFailed;
    // The build stamp as the title shows it, at every attempt that reaches the title.
    std::function<void(const QString &stampText)> titleStampRead;
};

// One attempt on the shared connection. What it leaves uncaught, the window
// leaves to the default error display: an unreadable settings file (thrown
// before anything else), and a failed look-up of the machine's address.
SigninOutcome runSigninExchange(Connection &connection, const SigninRequest &request, const SigninProgress &progress);

// The main window's title: design caption, version, build stamp, subsystem.
QString composeTitle(const QString &designCaption, const QString &stampText);

// The build stamp of the executable as the title shows it; empty when it
// cannot be read or is no valid date and time, so the title still shows.
QString titleStampText(const QString &exePath);

// The connection error text as the status label shows it: without the gate
// login, which the user is not to learn.
QString withoutGateLogin(QString text, const QString &gateLogin);

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
