#pragma once

#include "engine/RowSet.h"

#include <QDateTime>
#include <QList>
#include <QVariant>

struct sqlite3;

namespace qor {

// GET_USER of the embedded QOR database: checks a sign-in against the salted
// hash qor_user keeps of the password's digest (see PasswordHash.h), stores
// a new password, keeps the failure count and the 15-minute lock,
// writes the sign-in log, and answers with the one reply row
// (login, password, id_user, standing, message, outdated). The working
// credentials come back in stored form (every character code one less).
RowSet embeddedGetUser(sqlite3 *db, const QList<QVariant> &arguments, const QDateTime &now);

// Texts of the reply's message column.
namespace getuser {
inline const QString WrongCredentials = QStringLiteral("Неверное имя пользователя или пароль.");
inline const QString Disabled = QStringLiteral("Учетная запись заблокирована. Обратитесь к администратору.");
inline const QString LockedFor = QStringLiteral("Учетная запись временно заблокирована после пяти неудачных попыток входа. Повторите попытку через %1 мин.");
inline const QString BadNewPassword = QStringLiteral("Неверный формат нового пароля.");
inline const QString SameNewPassword = QStringLiteral("Новый пароль должен отличаться от прежнего.");
// Why a call could not be made, with the database file's path.
inline const QString DatabaseBusy = QStringLiteral(
    "База данных %1 занята: другая программа сейчас записывает в неё. Повторите вход немного позже.");
inline const QString DatabaseReadOnly = QStringLiteral(
    "Нет права записи в базу данных %1 или в её папку, где создаются файлы журнала (-wal и -shm). "
    "Вход записывается в базу, поэтому без этого права войти нельзя.");
// The longest login there is (qor_user.login and the log's login column are
// VARCHAR(50)); the log's other texts keep what the server's parameters keep.
inline constexpr int LoginMaxLength = 50;
inline constexpr int AddressMaxLength = 50;
inline constexpr int ComputerMaxLength = 256;
inline constexpr int ClientMaxLength = 50;
inline constexpr int FailuresBeforeLock = 5;
inline constexpr int LockMinutes = 15;
inline constexpr int NeverExpires = 999;
} // namespace getuser

} // namespace qor
