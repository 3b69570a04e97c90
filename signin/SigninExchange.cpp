#include "signin/SigninExchange.h"

#include "engine/CharShift.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "engine/Error.h"
#include "data/Query.h"
#include "engine/TextCodec.h"
#include "signin/BuildStamp.h"
#include "signin/MachineFacts.h"
#include "signin/PasswordDigest.h"
#include "signin/SettingsRecord.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <variant>

namespace qor {

namespace {

const QString MustChangePassword = QStringLiteral("Вы должны поменять пароль") + u'\r'
                                 + QStringLiteral("Это делается для безопастности и сохранения данных от злоумышлеников");
const QString WrongLoginOrPassword = QStringLiteral("Неверно ввели логин или пароль.");

QString errorText(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->text();
    return QString::fromUtf8(e.what());
}

QString connectionStringOf(const TFirstConnectInfo &info)
{
    return composeConnectionString({info.userName, info.password, info.databaseName, info.serverName});
}

// The first character Windows-1251 cannot hold; empty when there is none.
QString firstUnencodable(const QString &text)
{
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        bool ok = false;
        toWindows1251(character, &ok);
        if (!ok)
            return character;
    }
    return {};
}

SigninOutcome refused(const QString &what, const QString &enterAgain, bool newPassword = false)
{
    SigninOutcome outcome;
    outcome.kind = SigninOutcome::Refused;
    outcome.statusText = what + QStringLiteral(", которого нет в кодировке Windows-1251.") + u'\r' + enterAgain;
    outcome.clearNewPassword = newPassword;
    return outcome;
}

SigninOutcome outcomeOf(SigninOutcome::Kind kind, const QString &statusText = {})
{
    SigninOutcome outcome;
    outcome.kind = kind;
    outcome.statusText = statusText;
    return outcome;
}

// The digests the call sends; the new one is empty without a new password.
struct Digests
{
    QString password;
    QString newPassword;
};

// A character the code page cannot hold would turn the login or a password
// into another one on the way, so nothing is sent. A password's character
// is never shown; the login's is on the screen anyway.
std::variant<Digests, SigninOutcome> digestsOrRefusal(const SigninRequest &request)
{
    if (const QString character = firstUnencodable(request.login); !character.isEmpty())
        return refused(QStringLiteral("В логине есть знак «%1»").arg(character), QStringLiteral("Введите логин заново."));
    const std::optional<QString> password = passwordDigest(request.password);
    if (!password)
        return refused(QStringLiteral("В пароле есть знак"), QStringLiteral("Введите пароль заново."));
    Digests digests{*password, {}};
    if (request.newPassword != NoNewPassword) {
        const std::optional<QString> newPassword = passwordDigest(request.newPassword);
        if (!newPassword)
            return refused(QStringLiteral("В новом пароле есть знак"), QStringLiteral("Введите новый пароль заново."), true);
        digests.newPassword = *newPassword;
    }
    return digests;
}

// The gate: its failure is reported at once, and the call fails on its own.
void openGate(Connection &connection, const TFirstConnectInfo &info, const SigninProgress &progress)
{
    connection.close();
    connection.setConnectionString(connectionStringOf(info));
    try {
        connection.open();
    } catch (const std::exception &e) {
        const QString text = errorText(e);
        if (progress.gateFailed)
            progress.gateFailed(text, withoutGateLogin(text, info.userName));
    }
}

// GET_USER and its reply; on a working login, the connection is reopened as it.
SigninOutcome callGetUser(Connection &connection, TFirstConnectInfo info, const SigninRequest &request,
                          const Digests &digests)
{
    auto query = std::make_unique<Query>(&connection);
    const QString newArgument = newPasswordArgument(request.newPassword, digests.newPassword);
    const QString computer = SigninHooks::computerName();
    const QString address = SigninHooks::localAddress();
    const QString statement = getUserStatement(request.login, digests.password, newArgument, address, computer);

    GetUserReply reply;
    try {
        query->setSql(statement);
        query->open();
        reply = readGetUserReply(*query, request.attempt);
        switch (reply.kind) {
        case GetUserReply::Outdated:
            return outcomeOf(SigninOutcome::Outdated);
        case GetUserReply::ServerMessage:
            return outcomeOf(SigninOutcome::ServerMessage, reply.message);
        case GetUserReply::ForcedChange:
        case GetUserReply::SuggestedChange:
            connection.close();
            return outcomeOf(reply.kind == GetUserReply::ForcedChange ? SigninOutcome::ForcedChange
                                                                      : SigninOutcome::SuggestedChange,
                             MustChangePassword);
        case GetUserReply::WorkingLogin:
            break;
        }
        info.userName = reply.userName;
        info.password = reply.password;
        query.reset();
        connection.close();
        connection.setConnectionString(connectionStringOf(info));
    } catch (const std::exception &e) {
        query.reset();
        connection.close();
        SigninOutcome failed = outcomeOf(SigninOutcome::CallFailed, WrongLoginOrPassword);
        failed.errorText = errorText(e);
        return failed;
    }

    try {
        connection.open();
    } catch (const std::exception &) {
        connection.close();
        return outcomeOf(SigninOutcome::WorkingLoginFailed, reply.message);
    }
    return outcomeOf(SigninOutcome::SignedIn);
}

} // namespace

std::function<QString()> SigninHooks::computerName = [] { return QSysInfo::machineHostName(); };
std::function<QString()> SigninHooks::localAddress = [] { return qor::localIPv4Address(); };
std::function<void(int)> SigninHooks::wait = [](int milliseconds) { QThread::msleep(ulong(milliseconds)); };
std::function<void(int)> SigninHooks::exitProcess = [](int exitCode) {
    // At once: no window may close or ask anything on the way out.
    std::fflush(nullptr);
    std::_Exit(exitCode);
};

SigninOutcome runSigninExchange(Connection &connection, const SigninRequest &request, const SigninProgress &progress)
{
    const TFirstConnectInfo info = readSettingsRecord(dataFolder() + QStringLiteral("/QOR"));
    const auto digests = digestsOrRefusal(request);
    if (const auto *refusal = std::get_if<SigninOutcome>(&digests))
        return *refusal;

    openGate(connection, info, progress);
    if (progress.titleStampRead)
        progress.titleStampRead(titleStampText(QCoreApplication::applicationFilePath()));
    return callGetUser(connection, info, request, std::get<Digests>(digests));
}

QString composeTitle(const QString &designCaption, const QString &stampText)
{
    return designCaption + QStringLiteral(" V") + u'0' + QStringLiteral(" [ ") + stampText
         + QStringLiteral(" ] - ") + QStringLiteral("Слушатели курсов");
}

QString titleStampText(const QString &exePath)
{
    try {
        return buildStampText(buildDateTime(exePath));
    } catch (const Error &) {
        return {};
    }
}

QString withoutGateLogin(QString text, const QString &gateLogin)
{
    if (!gateLogin.isEmpty())
        text.remove(gateLogin, Qt::CaseSensitive);
    return text;
}

} // namespace qor
