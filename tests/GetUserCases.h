#pragma once

// Every outcome of a sign-in, as GET_USER answers it on any engine: the
// embedded one and a server's. Each row names the administrator's action
// before the call ("lock": demo is locked; "min-client": clients below 13
// must update; "short-life": new passwords live 14 days) on a fresh demo
// database.

#include "embedded/EmbeddedGetUser.h"
#include "signin/PasswordDigest.h"

#include <QTest>

inline QString getUserCall(const QString &login, const QString &password, const QString &newPassword = QString())
{
    const QString newArgument =
        newPassword.isNull() ? QStringLiteral("NULL") : u'\'' + *qor::passwordDigest(newPassword) + u'\'';
    return QStringLiteral("EXEC GET_USER '%1','%2',%3, 'QOR 12', '10.0.0.5', 'PC01', '%1','0','%4'")
        .arg(login, *qor::passwordDigest(password), newArgument, QString::number(newArgument.size()));
}

inline void addGetUserCases()
{
    using namespace qor;
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("standing");
    QTest::addColumn<int>("outdated");
    QTest::addColumn<bool>("credentials");
    const QString wrong = getuser::WrongCredentials;
    QTest::newRow("signed in") << "" << getUserCall("demo", "demo123") << "" << 999 << 0 << true;
    QTest::newRow("login in other case") << "" << getUserCall("DEMO", "demo123") << "" << 999 << 0 << true;
    QTest::newRow("wrong password") << "" << getUserCall("demo", "demo124") << wrong << 0 << 0 << false;
    QTest::newRow("password in other case") << "" << getUserCall("demo", "DEMO123") << wrong << 0 << 0 << false;
    QTest::newRow("unknown login") << "" << getUserCall("nobody", "demo123") << wrong << 0 << 0 << false;
    QTest::newRow("must change") << "" << getUserCall("novice", "novice1") << "" << -1 << 0 << false;
    QTest::newRow("changes it") << "" << getUserCall("novice", "novice1", "secret7") << "" << 999 << 0 << true;
    // The call that stored a new password asks for no other, however short its life.
    QTest::newRow("changes it, new password lives 14 days")
        << "short-life" << getUserCall("expiring", "expire1", "secret7") << "" << 999 << 0 << true;
    QTest::newRow("same new password") << "" << getUserCall("novice", "novice1", "novice1") << getuser::SameNewPassword
                                       << 0 << 0 << false;
    QTest::newRow("ten days left") << "" << getUserCall("expiring", "expire1") << "" << 10 << 0 << true;
    QTest::newRow("locked by administrator")
        << "lock" << getUserCall("demo", "demo123") << getuser::Disabled << 0 << 0 << false;
    QTest::newRow("outdated client") << "min-client" << getUserCall("demo", "demo123") << "" << 0 << 1 << false;
    QTest::newRow("bad new digest") << ""
                                    << QStringLiteral(
                                           "EXEC GET_USER 'demo','%1','xyz', 'QOR 12', '', '', 'demo','0','5'")
                                           .arg(*passwordDigest(QStringLiteral("demo123")))
                                    << getuser::BadNewPassword << 0 << 0 << false;
}
