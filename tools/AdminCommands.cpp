#include "tools/AdminCommands.h"

#include "engine/Error.h"
#include "embedded/PasswordHash.h"
#include "engine/RowSet.h"
#include "embedded/SqliteEngine.h"
#include "signin/PasswordDigest.h"
#include "data/StudentImport.h"
#include "tools/DemoData.h"
#include "engine/Transaction.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

namespace qor::admin {

namespace {

// Databases made by an older qor-admin name the column password_md5.
void renameOlderPasswordColumn(SqliteEngine &db)
{
    if (db.tableColumns(QStringLiteral("qor_user")).contains(QStringLiteral("password_md5")))
        db.execute(QStringLiteral("ALTER TABLE qor_user RENAME COLUMN password_md5 TO password_hash"));
}

std::unique_ptr<SqliteEngine> openExisting(const QString &file)
{
    if (!QFileInfo::exists(file))
        throw Error(QStringLiteral("No database file at %1").arg(file));
    auto db = SqliteEngine::openAsOwner(file);
    renameOlderPasswordColumn(*db);
    return db;
}

// What GET_USER compares a sign-in with: the hash of the client's digest.
QString passwordHashOf(const QString &password)
{
    return hashPasswordDigest(digestOf(password));
}

void updateUser(SqliteEngine &db, const QString &login, const QStringList &columns, const QList<QVariant> &values)
{
    RowWrite write;
    write.table = QStringLiteral("qor_user");
    write.keyColumn = QStringLiteral("login");
    write.keyValue = login;
    write.columns = columns;
    write.values = values;
    if (db.updateRow(write) == 0)
        throw Error(QStringLiteral("No user '%1'").arg(login));
}

// The database file and the journals SQLite keeps beside it while in use.
const QStringList DatabaseParts = {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")};

void removeDatabaseFiles(const QString &file)
{
    for (const QString &part : DatabaseParts)
        QFile::remove(file + part);
}

// Renames a database with its journals, all or none: a journal left behind
// would be read into whatever file takes the name next.
bool moveDatabaseFiles(const QString &from, const QString &to)
{
    QStringList moved;
    for (const QString &part : DatabaseParts) {
        if (!QFileInfo::exists(from + part))
            continue;
        if (!QFile::rename(from + part, to + part)) {
            for (const QString &back : std::as_const(moved))
                QFile::rename(to + back, from + back);
            return false;
        }
        moved.append(part);
    }
    return true;
}

// Puts the built database and its settings in place of the old ones. The old
// database is set aside, not removed, until both are in place, so that a
// failure at any step leaves it where it was.
void replaceDatabase(const QString &built, const QString &database, const QString &settings,
                     const TFirstConnectInfo &info)
{
    const QString aside = database + QStringLiteral(".old");
    // What an earlier run cut short left aside is the only copy when nothing
    // took its place.
    if (!QFileInfo::exists(database))
        moveDatabaseFiles(aside, database);
    removeDatabaseFiles(aside);
    if (!moveDatabaseFiles(database, aside))
        throw Error(QStringLiteral("Cannot set the old database %1 aside").arg(database));
    try {
        if (!QFile::rename(built, database))
            throw Error(QStringLiteral("Cannot move the new database to %1").arg(database));
        writeSettings(settings, info);
    } catch (...) {
        removeDatabaseFiles(database);
        moveDatabaseFiles(aside, database);
        throw;
    }
    removeDatabaseFiles(aside);
}

} // namespace

QString digestOf(const QString &password)
{
    const auto digest = passwordDigest(password);
    if (!digest)
        throw Error(QStringLiteral("The password has a character that Windows-1251 cannot hold"));
    return *digest;
}

QString randomSecret(int length)
{
    static const QString alphabet = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789");
    QString secret;
    for (int i = 0; i < length; ++i)
        secret += alphabet[QRandomGenerator::system()->bounded(int(alphabet.size()))];
    return secret;
}

void createDatabase(const QString &file, const QString &gateUser, const QString &gatePassword)
{
    if (gateUser.isEmpty())
        throw Error(QStringLiteral("The gate login needs a name"));
    auto db = SqliteEngine::openAsOwner(file, true);
    try {
        RowWrite gate;
        gate.table = QStringLiteral("qor_login");
        gate.columns = {QStringLiteral("name"), QStringLiteral("password"), QStringLiteral("is_gate")};
        gate.values = {gateUser, gatePassword, 1};
        db->insertRow(gate);
    } catch (...) {
        db.reset();
        QFile::remove(file);
        throw;
    }
}

void addUser(const QString &file, const NewUser &user)
{
    if (user.login.isEmpty())
        throw Error(QStringLiteral("The user needs a login"));
    const QString hash = passwordHashOf(user.password);
    auto db = openExisting(file);
    inTransaction(*db, [&] {
        RowWrite login;
        login.table = QStringLiteral("qor_login");
        login.columns = {QStringLiteral("name"), QStringLiteral("password"), QStringLiteral("is_gate")};
        login.values = {user.login, randomSecret(), 0};
        db->insertRow(login);

        RowWrite row;
        row.table = QStringLiteral("qor_user");
        row.columns = {QStringLiteral("login"), QStringLiteral("password_hash"), QStringLiteral("must_change"),
                       QStringLiteral("password_expires"), QStringLiteral("password_days"), QStringLiteral("db_login")};
        QVariant expires, days;
        if (user.expiresInDays) {
            expires = QDateTime::currentDateTime().addDays(*user.expiresInDays);
            days = 90; // a changed password then lives for the usual 90 days
        }
        row.values = {user.login, hash, user.mustChange ? 1 : 0, expires, days, user.login};
        db->insertRow(row);
    });
}

void setPassword(const QString &file, const QString &login, const QString &password)
{
    const QString hash = passwordHashOf(password);
    auto db = openExisting(file);
    updateUser(*db, login, {QStringLiteral("password_hash"), QStringLiteral("failed_count"), QStringLiteral("locked_until")},
               {hash, 0, QVariant()});
}

void setLocked(const QString &file, const QString &login, bool locked)
{
    auto db = openExisting(file);
    if (locked)
        updateUser(*db, login, {QStringLiteral("disabled")}, {1});
    else
        updateUser(*db, login, {QStringLiteral("disabled"), QStringLiteral("failed_count"), QStringLiteral("locked_until")},
                   {0, 0, QVariant()});
}

void setMinimumClient(const QString &file, int number)
{
    auto db = openExisting(file);
    RowWrite write;
    write.table = QStringLiteral("qor_setting");
    write.keyColumn = QStringLiteral("name");
    write.keyValue = QStringLiteral("min_client");
    write.columns = {QStringLiteral("value")};
    write.values = {QString::number(number)};
    if (db->updateRow(write) == 0) {
        write.columns = {QStringLiteral("name"), QStringLiteral("value")};
        write.values = {QStringLiteral("min_client"), QString::number(number)};
        db->insertRow(write);
    }
}

int upgradePasswords(const QString &file)
{
    auto db = openExisting(file);
    int converted = 0;
    inTransaction(*db, [&] {
        const RowSet users = db->select(QStringLiteral("SELECT id_user, password_hash FROM qor_user"));
        for (int row = 0; row < users.rowCount(); ++row) {
            // The bare digest is what the client sends, so it is hashed as it is.
            const QString stored = users.text(row, 1);
            if (!isBareDigest(stored))
                continue;
            RowWrite write;
            write.table = QStringLiteral("qor_user");
            write.keyColumn = QStringLiteral("id_user");
            write.keyValue = users.integer(row, 0);
            write.columns = {QStringLiteral("password_hash")};
            write.values = {hashPasswordDigest(stored)};
            db->updateRow(write);
            ++converted;
        }
    });
    return converted;
}

void writeSettings(const QString &file, const TFirstConnectInfo &info)
{
    const QByteArray record = encodeSettingsRecord(info);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(record) != record.size() || !out.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(file, out.errorString()));
}

void createDemo(const QString &dir, bool force)
{
    const QString data = QDir(dir).filePath(QStringLiteral("Data"));
    const QString database = data + QStringLiteral("/QOR.db");
    const QString settings = data + QStringLiteral("/QOR");
    if (!force) {
        for (const QString &path : {database, settings}) {
            if (QFileInfo::exists(path))
                throw Error(QStringLiteral("%1 exists already; use --force to replace it").arg(path));
        }
    }
    if (!QDir().mkpath(data))
        throw Error(QStringLiteral("Cannot create the folder %1").arg(data));

    // Build beside the target and move into place, so that a failure leaves
    // what was there before.
    const QString building = database + QStringLiteral(".new");
    removeDatabaseFiles(building);
    TFirstConnectInfo info;
    info.userName = QStringLiteral("qor_gate");
    info.password = randomSecret();
    info.databaseName = QStringLiteral("QOR");
    info.serverName = QStringLiteral("(embedded)");
    try {
        createDatabase(building, info.userName, info.password);
        {
            auto db = SqliteEngine::openAsOwner(building);
            inTransaction(*db, [&] { fillDemoData(*db); });
        }
        addUser(building, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
        addUser(building, {QStringLiteral("novice"), QStringLiteral("novice1"), true, std::nullopt});
        addUser(building, {QStringLiteral("expiring"), QStringLiteral("expire1"), false, 10});
        // One file, without a journal beside it, is what gets moved.
        SqliteEngine::openAsOwner(building)->execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    QFile::remove(building + QStringLiteral("-wal"));
    QFile::remove(building + QStringLiteral("-shm"));
    try {
        replaceDatabase(building, database, settings, info);
    } catch (...) {
        QFile::remove(building);
        throw;
    }
}

namespace {

// "1 строке", "2 строках", "11 строках", "21 строке".
QString rowsInWords(int count)
{
    const bool one = count % 10 == 1 && count % 100 != 11;
    return QStringLiteral("%1 %2").arg(count).arg(one ? QStringLiteral("строке") : QStringLiteral("строках"));
}

} // namespace

QString importStudents(const QString &database, const QString &file, bool dryRun, bool namesakes)
{
    const ImportSheet sheet = ImportFile(file).readSheet(0);
    if (!sheet.recognised)
        throw Error(QStringLiteral("В файле «%1» не найдена строка заголовков: в одной из первых строк нужен столбец «ФИО» "
                                   "или столбцы «Фамилия» и «Имя».")
                        .arg(sheet.fileName));
    auto db = openExisting(database);
    ImportOptions options;
    options.namesakes = namesakes;
    options.allOrNothing = true;
    const ImportPlan planned = planImport(*db, sheet, sheet.mapping, options);
    QStringList refusals;
    for (const RowPlan &row : planned.rows) {
        if (row.outcome == RowPlan::Outcome::Refused)
            refusals.append(QStringLiteral("строка %1: %2").arg(row.number).arg(row.reason));
    }
    const QString reasons = refusals.isEmpty() ? QString() : u'\n' + refusals.join(u'\n');
    if (!refusals.isEmpty())
        throw Error(QStringLiteral("В базу ничего не записано: отказано в %1.\n").arg(rowsInWords(int(refusals.size())))
                    + importSummary(planned, true) + reasons);
    if (dryRun)
        return QStringLiteral("Проверка: в базу ничего не записано.\n") + importSummary(planned, true);
    ImportPlan done;
    inTransaction(*db, [&] { done = qor::importStudents(*db, sheet, sheet.mapping, options); });
    return importSummary(done);
}

} // namespace qor::admin
