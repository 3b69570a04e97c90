#include "data/GetUser.h"

#include "data/Query.h"
#include "data/Statements.h"
#include "engine/CharShift.h"

namespace qor {

namespace {

// Reply columns by position.
enum Column { StoredLogin = 0, StoredPassword = 1, UserId = 2, Standing = 3, Message = 4, OutdatedFlag = 5 };

// Standings below this suggest a change at the first attempt.
constexpr qint64 SuggestBelow = 20;

} // namespace

QString newPasswordArgument(const QString &newPassword, const QString &newPasswordDigest)
{
    if (newPassword == NoNewPassword)
        return NoNewPassword;
    return u'\'' + newPasswordDigest + u'\'';
}

QString getUserStatement(const QString &login, const QString &passwordDigest, const QString &newPasswordArgument,
                         const QString &address, const QString &computerName)
{
    const QString length = QString::number(newPasswordArgument.size());
    return QStringLiteral("EXEC GET_USER ") + quotedLiteral(login) + u',' + u'\'' + passwordDigest
           + QStringLiteral("',") + newPasswordArgument + QStringLiteral(", ") + u'\'' + ClientName + u'\''
           + QStringLiteral(", '") + address + QStringLiteral("', ") + quotedLiteral(computerName)
           + QStringLiteral(", ") + quotedLiteral(login) + u',' + QStringLiteral("'0',") + u'\'' + length + u'\'';
}

GetUserReply readGetUserReply(const Query &reply, quint8 attempt)
{
    GetUserReply result;
    result.message = reply.asString(Message);
    if (reply.asInteger(OutdatedFlag) > 0) {
        result.kind = GetUserReply::Outdated;
        return result;
    }
    if (!result.message.isEmpty()) {
        result.kind = GetUserReply::ServerMessage;
        return result;
    }
    const qint64 standing = reply.asInteger(Standing);
    if (standing < 0) {
        result.kind = GetUserReply::ForcedChange;
        return result;
    }
    if (attempt == 1 && !reply.asString(StoredLogin).isEmpty() && standing < SuggestBelow) {
        result.kind = GetUserReply::SuggestedChange;
        return result;
    }
    result.kind = GetUserReply::WorkingLogin;
    result.userName = decodeStored(reply.asString(StoredLogin));
    result.password = decodeStored(reply.asString(StoredPassword));
    (void)reply.asInteger(UserId); // unused, but a reply whose id is no number is no reply
    return result;
}

} // namespace qor
