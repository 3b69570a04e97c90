#include "data/EmbeddedGetUser.h"

#include "data/CharShift.h"
#include "data/Error.h"
#include "data/SqliteStatement.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <cmath>
#include <memory>

namespace qor {

namespace {

class Session
{
public:
    explicit Session(sqlite3 *db) : m_db(db) {}

    std::unique_ptr<SqliteStatement> prepare(const char *sql, std::initializer_list<QVariant> values)
    {
        auto stmt = std::make_unique<SqliteStatement>(m_db, QByteArray(sql));
        int index = 1;
        for (const QVariant &value : values)
            stmt->bind(index++, value);
        return stmt;
    }

    void run(const char *sql, std::initializer_list<QVariant> values)
    {
        const auto stmt = prepare(sql, values);
        if (sqlite3_step(stmt->get()) != SQLITE_DONE)
            throw sqliteError(m_db);
    }

private:
    sqlite3 *m_db;
};

QString columnText(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)));
}

QString stored(const QDateTime &value)
{
    return RowSet::dateTimeToStored(value);
}

QDateTime fromStored(const QString &value)
{
    return RowSet::dateTimeFromStored(value);
}

struct Reply
{
    QVariant login, password, idUser;
    int standing = 0;
    QString message;
    int outdated = 0;
};

RowSet replyRow(const Reply &reply)
{
    const auto column = [](const char *name, ColumnType type) {
        Column c;
        c.name = QString::fromLatin1(name);
        c.type = type;
        return c;
    };
    RowSet rows({column("login", ColumnType::Text), column("password", ColumnType::Text),
                 column("id_user", ColumnType::Integer), column("standing", ColumnType::Integer),
                 column("message", ColumnType::Text), column("outdated", ColumnType::Integer)});
    const int row = rows.appendRow();
    rows.setValue(row, 0, reply.login);
    rows.setValue(row, 1, reply.password);
    rows.setValue(row, 2, reply.idUser);
    rows.setValue(row, 3, reply.standing);
    rows.setValue(row, 4, reply.message);
    rows.setValue(row, 5, reply.outdated);
    return rows;
}

int clientNumber(const QString &client)
{
    const QString number = client.section(u' ', -1);
    bool ok = false;
    const int value = number.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

RowSet embeddedGetUser(sqlite3 *db, const QList<QVariant> &arguments, const QDateTime &now)
{
    static const QStringList parameters{
        QStringLiteral("@login"), QStringLiteral("@password_md5"), QStringLiteral("@new_password_md5"),
        QStringLiteral("@client"), QStringLiteral("@address"), QStringLiteral("@computer"),
        QStringLiteral("@login_again"), QStringLiteral("@reserved"), QStringLiteral("@new_arg_length")};
    if (arguments.size() > parameters.size())
        throw Error(QStringLiteral("Procedure or function GET_USER has too many arguments specified."));
    if (arguments.size() < parameters.size())
        throw Error(QStringLiteral("Procedure or function 'GET_USER' expects parameter '%1', which was not supplied.")
                        .arg(parameters[arguments.size()]));
    const auto argument = [&](int i) { return arguments[i].isNull() ? QString() : arguments[i].toString(); };
    const QString login = argument(0);
    const QString passwordMd5 = argument(1).toUpper();
    const QVariant newPasswordMd5 = arguments[2];
    const QString client = argument(3);

    Session session(db);
    session.run("BEGIN IMMEDIATE", {});
    Reply reply;
    QString outcome;
    try {
        const auto finish = [&] {
            session.run("INSERT INTO qor_signin_log (at, login, address, computer, client, outcome) VALUES (?, ?, ?, ?, ?, ?)",
                        {stored(now), login, argument(4), argument(5), client, outcome});
            session.run("COMMIT", {});
        };

        const auto setting = session.prepare("SELECT value FROM qor_setting WHERE name = 'min_client'", {});
        const int minClient = sqlite3_step(setting->get()) == SQLITE_ROW ? sqlite3_column_int(setting->get(), 0) : 0;
        if (clientNumber(client) < minClient) {
            reply.outdated = 1;
            outcome = QStringLiteral("outdated client");
            finish();
            return replyRow(reply);
        }

        const auto user = session.prepare(
            "SELECT u.id_user, u.password_md5, u.must_change, u.password_expires, u.password_days,"
            " u.failed_count, u.locked_until, u.disabled, l.name, l.password"
            " FROM qor_user u LEFT JOIN qor_login l ON l.name = u.db_login WHERE u.login = ?",
            {login});
        if (sqlite3_step(user->get()) != SQLITE_ROW) {
            reply.message = getuser::WrongCredentials;
            outcome = QStringLiteral("unknown login");
            finish();
            return replyRow(reply);
        }
        const qint64 idUser = sqlite3_column_int64(user->get(), 0);
        QString currentMd5 = columnText(user->get(), 1);
        bool mustChange = sqlite3_column_int(user->get(), 2) != 0;
        QDateTime expires = sqlite3_column_type(user->get(), 3) == SQLITE_NULL ? QDateTime() : fromStored(columnText(user->get(), 3));
        const bool hasPasswordDays = sqlite3_column_type(user->get(), 4) != SQLITE_NULL;
        const int passwordDays = sqlite3_column_int(user->get(), 4);
        int failedCount = sqlite3_column_int(user->get(), 5);
        const QDateTime lockedUntil = sqlite3_column_type(user->get(), 6) == SQLITE_NULL ? QDateTime() : fromStored(columnText(user->get(), 6));
        const bool disabled = sqlite3_column_int(user->get(), 7) != 0;
        const QString dbLogin = columnText(user->get(), 8);
        const QString dbPassword = columnText(user->get(), 9);

        if (disabled) {
            reply.message = getuser::Disabled;
            outcome = QStringLiteral("disabled");
            finish();
            return replyRow(reply);
        }
        if (lockedUntil.isValid()) {
            if (lockedUntil > now) {
                const qint64 minutes = std::max<qint64>(1, (now.secsTo(lockedUntil) + 59) / 60);
                reply.message = getuser::LockedFor.arg(minutes);
                outcome = QStringLiteral("locked");
                finish();
                return replyRow(reply);
            }
            failedCount = 0;
            session.run("UPDATE qor_user SET locked_until = NULL, failed_count = 0 WHERE id_user = ?", {idUser});
        }
        if (passwordMd5 != currentMd5) {
            ++failedCount;
            if (failedCount >= getuser::FailuresBeforeLock)
                session.run("UPDATE qor_user SET failed_count = ?, locked_until = ? WHERE id_user = ?",
                            {failedCount, stored(now.addSecs(getuser::LockMinutes * 60)), idUser});
            else
                session.run("UPDATE qor_user SET failed_count = ? WHERE id_user = ?", {failedCount, idUser});
            reply.message = getuser::WrongCredentials;
            outcome = QStringLiteral("wrong password");
            finish();
            return replyRow(reply);
        }
        session.run("UPDATE qor_user SET failed_count = 0 WHERE id_user = ?", {idUser});

        bool passwordChanged = false;
        if (!newPasswordMd5.isNull()) {
            static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{32}$"));
            const QString newMd5 = newPasswordMd5.toString().toUpper();
            if (!hex.match(newMd5).hasMatch()) {
                reply.message = getuser::BadNewPassword;
                outcome = QStringLiteral("bad new password");
                finish();
                return replyRow(reply);
            }
            if (newMd5 == currentMd5) {
                reply.message = getuser::SameNewPassword;
                outcome = QStringLiteral("same new password");
                finish();
                return replyRow(reply);
            }
            expires = hasPasswordDays ? now.addDays(passwordDays) : QDateTime();
            mustChange = false;
            currentMd5 = newMd5;
            passwordChanged = true;
            session.run("UPDATE qor_user SET password_md5 = ?, must_change = 0, password_expires = ? WHERE id_user = ?",
                        {newMd5, expires.isValid() ? QVariant(stored(expires)) : QVariant(), idUser});
            outcome = QStringLiteral("password changed");
        }

        reply.idUser = idUser;
        // The call that has just stored a new password asks for no other,
        // however short the new one's life.
        if (mustChange)
            reply.standing = -1;
        else if (!expires.isValid() || passwordChanged)
            reply.standing = getuser::NeverExpires;
        else
            reply.standing = int(now.date().daysTo(expires.date()));

        if (reply.standing < 0) {
            outcome = QStringLiteral("password change required");
        } else {
            reply.login = encodeStoredText(dbLogin);
            reply.password = encodeStoredText(dbPassword);
            if (outcome.isEmpty())
                outcome = QStringLiteral("signed in");
        }
        finish();
        return replyRow(reply);
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace qor
