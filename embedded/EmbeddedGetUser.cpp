#include "embedded/EmbeddedGetUser.h"

#include "engine/CharShift.h"
#include "engine/Error.h"
#include "embedded/PasswordHash.h"
#include "embedded/SqliteStatement.h"

#include <QRegularExpression>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace qor {

namespace {

// The nine arguments, by the names the server's procedure gives them.
struct Arguments
{
    QString login;
    QString passwordMd5;
    std::optional<QString> newPasswordMd5;
    QString client;
    QString address;
    QString computer;
};

Arguments argumentsOf(const QList<QVariant> &values)
{
    static const QStringList parameters{
        QStringLiteral("@login"), QStringLiteral("@password_md5"), QStringLiteral("@new_password_md5"),
        QStringLiteral("@client"), QStringLiteral("@address"), QStringLiteral("@computer"),
        QStringLiteral("@login_again"), QStringLiteral("@reserved"), QStringLiteral("@new_arg_length")};
    if (values.size() > parameters.size())
        throw Error(QStringLiteral("Procedure or function GET_USER has too many arguments specified."));
    if (values.size() < parameters.size())
        throw Error(QStringLiteral("Procedure or function 'GET_USER' expects parameter '%1', which was not supplied.")
                        .arg(parameters[values.size()]));
    const auto text = [&](int i) { return values[i].isNull() ? QString() : values[i].toString(); };
    Arguments arguments;
    arguments.login = text(0);
    arguments.passwordMd5 = text(1).toUpper();
    if (!values[2].isNull())
        arguments.newPasswordMd5 = text(2).toUpper();
    // The server's parameters cut these to their lengths without a word.
    arguments.client = text(3).left(getuser::ClientMaxLength);
    arguments.address = text(4).left(getuser::AddressMaxLength);
    arguments.computer = text(5).left(getuser::ComputerMaxLength);
    return arguments;
}

// The reply row: login, password, id_user, standing, message, outdated.
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

QString columnText(sqlite3_stmt *stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)));
}

QDateTime columnDateTime(sqlite3_stmt *stmt, int column)
{
    return sqlite3_column_type(stmt, column) == SQLITE_NULL ? QDateTime()
                                                             : RowSet::dateTimeFromStored(columnText(stmt, column));
}

QVariant storedDateTime(const QDateTime &value)
{
    return value.isValid() ? QVariant(RowSet::dateTimeToStored(value)) : QVariant();
}

// The engine's error. A busy file and one the program may not write are
// named as such: the office can mend those, and the engine's own words
// ("database is locked") do not say what to do.
Error callError(sqlite3 *db)
{
    const QString file = QString::fromUtf8(sqlite3_db_filename(db, "main"));
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error(getuser::DatabaseBusy.arg(file));
    case SQLITE_READONLY:
        return Error(getuser::DatabaseReadOnly.arg(file));
    default:
        return sqliteError(db);
    }
}

// One call: a transaction that ends with its row in the sign-in log, or is
// rolled back when anything fails on the way.
class Call
{
public:
    Call(sqlite3 *db, const Arguments &arguments, const QDateTime &now)
        : m_db(db), m_arguments(arguments), m_now(now)
    {
        run("BEGIN IMMEDIATE", {});
    }
    ~Call()
    {
        if (!m_finished)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    const QDateTime &now() const { return m_now; }

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
            throw callError(m_db);
    }

    // Logs the outcome, commits, and answers.
    RowSet finish(const Reply &reply, const QString &outcome)
    {
        run("INSERT INTO qor_signin_log (at, login, address, computer, client, outcome) VALUES (?, ?, ?, ?, ?, ?)",
            {RowSet::dateTimeToStored(m_now), m_arguments.login.left(getuser::LoginMaxLength), m_arguments.address,
             m_arguments.computer, m_arguments.client, outcome});
        run("COMMIT", {});
        m_finished = true;
        return replyRow(reply);
    }

    // The call ends with a message for the user and no credentials.
    RowSet refuse(const QString &message, const QString &outcome)
    {
        Reply reply;
        reply.message = message;
        return finish(reply, outcome);
    }

private:
    sqlite3 *m_db;
    const Arguments &m_arguments;
    QDateTime m_now;
    bool m_finished = false;
};

int clientNumber(const QString &client)
{
    const QString number = client.section(u' ', -1);
    bool ok = false;
    const int value = number.toInt(&ok);
    return ok ? value : 0;
}

int minimumClient(Call &call)
{
    const auto setting = call.prepare("SELECT value FROM qor_setting WHERE name = 'min_client'", {});
    return sqlite3_step(setting->get()) == SQLITE_ROW ? sqlite3_column_int(setting->get(), 0) : 0;
}

// A person who signs in, with the working login handed out for them.
struct User
{
    qint64 id = 0;
    QString passwordHash; // or the bare digest an older database kept
    bool mustChange = false;
    QDateTime expires;                // invalid: never
    std::optional<int> passwordDays;  // life of a new password; none: never expires
    int failedCount = 0;
    QDateTime lockedUntil;            // invalid: not locked
    bool disabled = false;
    QString dbLogin;
    QString dbPassword;
};

std::optional<User> findUser(Call &call, const QString &login)
{
    const auto found = call.prepare(
        "SELECT u.id_user, u.password_hash, u.must_change, u.password_expires, u.password_days,"
        " u.failed_count, u.locked_until, u.disabled, l.name, l.password"
        " FROM qor_user u LEFT JOIN qor_login l ON l.name = u.db_login WHERE u.login = ?",
        {login});
    sqlite3_stmt *row = found->get();
    const int step = sqlite3_step(row);
    if (step == SQLITE_DONE)
        return std::nullopt;
    if (step != SQLITE_ROW)
        throw callError(sqlite3_db_handle(row));
    User user;
    user.id = sqlite3_column_int64(row, 0);
    user.passwordHash = columnText(row, 1);
    user.mustChange = sqlite3_column_int(row, 2) != 0;
    user.expires = columnDateTime(row, 3);
    if (sqlite3_column_type(row, 4) != SQLITE_NULL)
        user.passwordDays = sqlite3_column_int(row, 4);
    user.failedCount = sqlite3_column_int(row, 5);
    user.lockedUntil = columnDateTime(row, 6);
    user.disabled = sqlite3_column_int(row, 7) != 0;
    user.dbLogin = columnText(row, 8);
    user.dbPassword = columnText(row, 9);
    return user;
}

// Five failures in a row lock the login for a while.
void countFailure(Call &call, User &user)
{
    ++user.failedCount;
    if (user.failedCount >= getuser::FailuresBeforeLock)
        call.run("UPDATE qor_user SET failed_count = ?, locked_until = ? WHERE id_user = ?",
                 {user.failedCount, storedDateTime(call.now().addSecs(getuser::LockMinutes * 60)), user.id});
    else
        call.run("UPDATE qor_user SET failed_count = ? WHERE id_user = ?", {user.failedCount, user.id});
}

// Why a new password cannot be stored; empty when it can.
QString newPasswordRefusal(const User &user, const QString &newMd5, QString *outcome)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-F]{32}$"));
    if (!hex.match(newMd5).hasMatch()) {
        *outcome = QStringLiteral("bad new password");
        return getuser::BadNewPassword;
    }
    if (storedPasswordMatches(user.passwordHash, newMd5)) {
        *outcome = QStringLiteral("same new password");
        return getuser::SameNewPassword;
    }
    return {};
}

void storeNewPassword(Call &call, User &user, const QString &newMd5)
{
    user.passwordHash = hashPasswordDigest(newMd5);
    user.mustChange = false;
    user.expires = user.passwordDays ? call.now().addDays(*user.passwordDays) : QDateTime();
    call.run("UPDATE qor_user SET password_hash = ?, must_change = 0, password_expires = ? WHERE id_user = ?",
             {user.passwordHash, storedDateTime(user.expires), user.id});
}

// A bare digest of an older database, or a hash of other costs, is written
// again now that the password is known to be right.
void rehashWhenDue(Call &call, User &user, const QString &md5)
{
    if (!storedPasswordNeedsRehash(user.passwordHash))
        return;
    user.passwordHash = hashPasswordDigest(md5);
    call.run("UPDATE qor_user SET password_hash = ? WHERE id_user = ?", {user.passwordHash, user.id});
}

// An unknown login costs the same hash as a known one, so that the time of
// the answer does not tell which logins exist.
void spendOneHash(const QString &md5)
{
    static const QString unknown = hashPasswordDigest(QStringLiteral("00000000000000000000000000000000"));
    (void)storedPasswordMatches(unknown, md5);
}

// Databases made before passwords were hashed name the column password_md5
// and keep bare digests in it; the digests stay until they are hashed.
void renameOlderPasswordColumn(Call &call)
{
    const auto older = call.prepare("SELECT 1 FROM pragma_table_info('qor_user') WHERE name = 'password_md5'", {});
    if (sqlite3_step(older->get()) == SQLITE_ROW)
        call.run("ALTER TABLE qor_user RENAME COLUMN password_md5 TO password_hash", {});
}

// The days the password has left, 999 for never, below zero when it must be
// changed first. The call that has just stored a new password asks for no
// other, however short the new one's life.
int standingOf(const User &user, bool passwordChanged, const QDateTime &now)
{
    if (user.mustChange)
        return -1;
    if (!user.expires.isValid() || passwordChanged)
        return getuser::NeverExpires;
    return int(now.date().daysTo(user.expires.date()));
}

} // namespace

RowSet embeddedGetUser(sqlite3 *db, const QList<QVariant> &values, const QDateTime &now)
{
    const Arguments arguments = argumentsOf(values);
    Call call(db, arguments, now);
    // No login is longer: nothing is looked up or hashed for one that is,
    // and the log keeps what its column holds.
    if (arguments.login.size() > getuser::LoginMaxLength)
        return call.refuse(getuser::WrongCredentials, QStringLiteral("login too long"));
    renameOlderPasswordColumn(call);

    if (clientNumber(arguments.client) < minimumClient(call)) {
        Reply reply;
        reply.outdated = 1;
        return call.finish(reply, QStringLiteral("outdated client"));
    }

    std::optional<User> found = findUser(call, arguments.login);
    if (!found) {
        spendOneHash(arguments.passwordMd5);
        return call.refuse(getuser::WrongCredentials, QStringLiteral("unknown login"));
    }
    User &user = *found;
    if (user.disabled)
        return call.refuse(getuser::Disabled, QStringLiteral("disabled"));
    if (user.lockedUntil.isValid()) {
        if (user.lockedUntil > now) {
            const qint64 minutes = std::max<qint64>(1, (now.secsTo(user.lockedUntil) + 59) / 60);
            return call.refuse(getuser::LockedFor.arg(minutes), QStringLiteral("locked"));
        }
        // A lock that has run out is cleared, and the count starts again.
        user.failedCount = 0;
        call.run("UPDATE qor_user SET locked_until = NULL, failed_count = 0 WHERE id_user = ?", {user.id});
    }
    if (!storedPasswordMatches(user.passwordHash, arguments.passwordMd5)) {
        countFailure(call, user);
        return call.refuse(getuser::WrongCredentials, QStringLiteral("wrong password"));
    }
    call.run("UPDATE qor_user SET failed_count = 0 WHERE id_user = ?", {user.id});

    const bool passwordChanged = arguments.newPasswordMd5.has_value();
    if (passwordChanged) {
        QString outcome;
        const QString refusal = newPasswordRefusal(user, *arguments.newPasswordMd5, &outcome);
        if (!refusal.isEmpty())
            return call.refuse(refusal, outcome);
        storeNewPassword(call, user, *arguments.newPasswordMd5);
    } else {
        rehashWhenDue(call, user, arguments.passwordMd5);
    }

    Reply reply;
    reply.idUser = user.id;
    reply.standing = standingOf(user, passwordChanged, now);
    if (reply.standing < 0)
        return call.finish(reply, QStringLiteral("password change required"));
    reply.login = encodeStoredText(user.dbLogin);
    reply.password = encodeStoredText(user.dbPassword);
    return call.finish(reply, passwordChanged ? QStringLiteral("password changed") : QStringLiteral("signed in"));
}

} // namespace qor
