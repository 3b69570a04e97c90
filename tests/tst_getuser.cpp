// GET_USER of the embedded database: every outcome of a sign-in.
#include "DemoFixture.h"
#include "GetUserCases.h"

#include "engine/CharShift.h"
#include "embedded/EmbeddedGetUser.h"
#include "engine/Error.h"
#include "embedded/RussianCollation.h"
#include "signin/PasswordDigest.h"

#include <QTest>

#include <sqlite3.h>

using namespace qor;

namespace {

struct Reply
{
    QString login, password, message;
    qint64 standing = 0, outdated = 0;
};

Reply ask(const DemoFixture &demo, const QString &statement)
{
    const TFirstConnectInfo gate = demo.settings();
    SqliteEngine session(demo.databaseFile(), QStringLiteral("QOR"), gate.userName, gate.password);
    const RowSet rows = session.select(statement);
    return {rows.text(0, 0), rows.text(0, 1), rows.text(0, 4), rows.integer(0, 3), rows.integer(0, 5)};
}

} // namespace

class TestGetUser : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SqliteEngine::clock() = [] { return QDateTime::currentDateTime(); }; }

    void answersEachSignIn_data() { addGetUserCases(); }
    void answersEachSignIn()
    {
        QFETCH(QString, setup);
        QFETCH(QString, statement);
        QFETCH(QString, message);
        QFETCH(int, standing);
        QFETCH(int, outdated);
        QFETCH(bool, credentials);
        DemoFixture demo;
        if (setup == u"lock")
            admin::setLocked(demo.databaseFile(), QStringLiteral("demo"), true);
        else if (setup == u"min-client")
            admin::setMinimumClient(demo.databaseFile(), 13);
        else if (setup == u"short-life")
            demo.owner()->execute(QStringLiteral("UPDATE qor_user SET password_days = 14"));

        const Reply reply = ask(demo, statement);
        QCOMPARE(reply.message, message);
        QCOMPARE(reply.standing, standing);
        QCOMPARE(reply.outdated, outdated);
        QCOMPARE(!reply.login.isEmpty(), credentials);
        if (credentials) {
            // The stored form decodes to a working login that opens the database.
            const QString user = decodeStored(reply.login);
            const QString password = decodeStored(reply.password);
            SqliteEngine working(demo.databaseFile(), QStringLiteral("QOR"), user, password);
            QVERIFY(working.select(QStringLiteral("SELECT * FROM s_fio")).rowCount() > 0);
        }
        // Every call is logged.
        QCOMPARE(demo.owner()->select(QStringLiteral("SELECT count(*) FROM qor_signin_log WHERE address = '10.0.0.5' OR address = ''")).integer(0, 0), 1);
    }

    void aChangedPasswordReplacesTheOldOne()
    {
        DemoFixture demo;
        QCOMPARE(ask(demo, getUserCall("novice", "novice1", "secret7")).standing, 999);
        QCOMPARE(ask(demo, getUserCall("novice", "secret7")).standing, 999);
        QCOMPARE(ask(demo, getUserCall("novice", "novice1")).message, getuser::WrongCredentials);
    }

    void fiveFailuresLockForFifteenMinutes()
    {
        DemoFixture demo;
        const QDateTime start = QDateTime::currentDateTime();
        SqliteEngine::clock() = [start] { return start; };
        ask(demo, getUserCall("demo", "bad"));
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).message, QString()); // a success resets the count
        for (int i = 0; i < getuser::FailuresBeforeLock; ++i)
            QCOMPARE(ask(demo, getUserCall("demo", "bad")).message, getuser::WrongCredentials);
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).message, getuser::LockedFor.arg(15));

        SqliteEngine::clock() = [start] { return start.addSecs(14 * 60 + 1); };
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).message, getuser::LockedFor.arg(1));
        SqliteEngine::clock() = [start] { return start.addSecs(15 * 60); };
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).standing, 999);
    }

    // A copied database gives no password away to a quick word list: each is
    // kept as a salted Argon2id hash of its digest, never as the digest.
    void keepsSaltedSlowHashes()
    {
        DemoFixture demo;
        admin::addUser(demo.databaseFile(), {QStringLiteral("twin"), QStringLiteral("demo123"), false, std::nullopt});
        const RowSet users = demo.owner()->select(QStringLiteral(
            "SELECT login, password_hash FROM qor_user WHERE login IN ('demo', 'twin') ORDER BY login"));
        QCOMPARE(users.rowCount(), 2);
        for (int row = 0; row < users.rowCount(); ++row) {
            const QString stored = users.text(row, 1);
            QVERIFY2(stored.startsWith(QStringLiteral("$argon2id$v=19$m=19456,t=2,p=1$")), qPrintable(stored));
            QVERIFY(!stored.contains(*passwordDigest(QStringLiteral("demo123")), Qt::CaseInsensitive));
        }
        QVERIFY(users.text(0, 1) != users.text(1, 1)); // salted: one password, two hashes
        QCOMPARE(ask(demo, getUserCall("twin", "demo123")).standing, 999);
    }

    // Databases made before kept bare MD5 digests in password_md5. They keep
    // working; a digest is hashed at its user's next successful sign-in, or
    // all at once by qor-admin.
    void hashesBareDigestsOfOlderDatabases_data()
    {
        QTest::addColumn<QString>("password"); // demo's sign-in; empty: qor-admin upgrade instead
        QTest::addColumn<bool>("signsIn");
        QTest::addColumn<QStringList>("hashed"); // logins kept as hashes afterwards
        QTest::newRow("right password") << "demo123" << true << QStringList{"demo"};
        QTest::newRow("wrong password") << "demo124" << false << QStringList{};
        QTest::newRow("qor-admin upgrade") << "" << false << QStringList{"demo", "expiring", "novice"};
    }
    void hashesBareDigestsOfOlderDatabases()
    {
        QFETCH(QString, password);
        QFETCH(bool, signsIn);
        QFETCH(QStringList, hashed);
        DemoFixture demo;
        {
            const auto owner = demo.owner();
            owner->execute(QStringLiteral("ALTER TABLE qor_user RENAME COLUMN password_hash TO password_md5"));
            for (const auto &[login, secret] : {std::pair{"demo", "demo123"}, {"novice", "novice1"}, {"expiring", "expire1"}})
                owner->execute(QStringLiteral("UPDATE qor_user SET password_md5 = '%1' WHERE login = '%2'")
                                   .arg(*passwordDigest(QString::fromUtf8(secret)), QString::fromUtf8(login)));
        }
        if (password.isEmpty()) {
            QCOMPARE(admin::upgradePasswords(demo.databaseFile()), 3);
        } else {
            const Reply reply = ask(demo, getUserCall("demo", password));
            QCOMPARE(!reply.login.isEmpty(), signsIn);
        }

        const RowSet users = demo.owner()->select(QStringLiteral("SELECT login, password_hash FROM qor_user ORDER BY login"));
        QStringList hashedNow;
        for (int row = 0; row < users.rowCount(); ++row) {
            if (users.text(row, 1).startsWith(QStringLiteral("$argon2id$")))
                hashedNow << users.text(row, 0);
            else
                QCOMPARE(users.text(row, 1).size(), 32);
        }
        QCOMPARE(hashedNow, hashed);
        // Every password still signs in, hashed or not.
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).standing, 999);
        QCOMPARE(ask(demo, getUserCall("expiring", "expire1")).standing, 10);
        QCOMPARE(ask(demo, getUserCall("novice", "novice1")).standing, -1);
    }

    // A busy or read-only file is named as such, in the user's language: the
    // engine's own "database is locked" says nothing to whoever reads it.
    void namesBusyAndReadOnlyFiles_data()
    {
        QTest::addColumn<bool>("readOnly"); // else another program holds the write lock
        QTest::newRow("another program writes") << false;
        QTest::newRow("no right to write") << true;
    }
    void namesBusyAndReadOnlyFiles()
    {
        QFETCH(bool, readOnly);
        DemoFixture demo;
        const auto other = demo.owner();
        if (!readOnly)
            other->execute(QStringLiteral("BEGIN IMMEDIATE"));
        sqlite3 *raw = nullptr;
        const QByteArray file = demo.databaseFile().toUtf8();
        QCOMPARE(sqlite3_open_v2(file.constData(), &raw, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
        registerRussianCollation(db.get());

        const QList<QVariant> arguments{"demo", *passwordDigest(QStringLiteral("demo123")), QVariant(), "QOR 12",
                                        "10.0.0.5", "PC01", "demo", "0", "4"};
        const QString error = errorOf([&] { embeddedGetUser(db.get(), arguments, QDateTime::currentDateTime()); });
        const QString expected = readOnly ? getuser::DatabaseReadOnly : getuser::DatabaseBusy;
        QCOMPARE(error, expected.arg(demo.databaseFile()));
        if (!readOnly)
            other->execute(QStringLiteral("ROLLBACK"));
        QCOMPARE(ask(demo, getUserCall("demo", "demo123")).standing, 999); // nothing was left half done
    }

    // The log keeps no more of a login than its column holds, and a login
    // longer than any can be is refused before it is looked up or hashed.
    void refusesOverLongLogins_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("one over") << 51;
        QTest::newRow("as long as the window takes") << 32767;
    }
    void refusesOverLongLogins()
    {
        QFETCH(int, length);
        DemoFixture demo;
        // A user whose login is the longest there can be, and the call names
        // it with more after it: never taken for that user.
        const QString longest = QString(50, u'д');
        admin::addUser(demo.databaseFile(), {longest, QStringLiteral("secret7"), false, std::nullopt});
        const QString login = longest + QString(length - 50, u'x');
        const Reply reply = ask(demo, getUserCall(login, "secret7"));
        QCOMPARE(reply.message, getuser::WrongCredentials);
        QVERIFY(reply.login.isEmpty());
        const RowSet logged = demo.owner()->select(QStringLiteral("SELECT login, outcome FROM qor_signin_log"));
        QCOMPARE(logged.rowCount(), 1);
        QCOMPARE(logged.text(0, 0), longest);
        QCOMPARE(logged.text(0, 1), QStringLiteral("login too long"));
        QCOMPARE(ask(demo, getUserCall(longest, "secret7")).message, QString());
    }

    // The log's other columns keep as much as the server's parameters do.
    void cutsLoggedTextsToTheirColumns()
    {
        DemoFixture demo;
        const QString statement = QStringLiteral("EXEC GET_USER 'demo','%1',NULL, '%2', '%3', '%4', 'demo','0','4'")
                                      .arg(*passwordDigest(QStringLiteral("demo123")), QStringLiteral("QOR ") + QString(60, u'1'),
                                           QString(60, u'2'), QString(300, u'3'));
        ask(demo, statement);
        const RowSet logged = demo.owner()->select(
            QStringLiteral("SELECT length(client), length(address), length(computer) FROM qor_signin_log"));
        QCOMPARE(logged.integer(0, 0), 50);
        QCOMPARE(logged.integer(0, 1), 50);
        QCOMPARE(logged.integer(0, 2), 256);
    }

    void refusesWrongArgumentCounts()
    {
        DemoFixture demo;
        QVERIFY_THROWS_EXCEPTION(Error, ask(demo, QStringLiteral("EXEC GET_USER 'demo','x'")));
    }
};

QTEST_GUILESS_MAIN(TestGetUser)
#include "tst_getuser.moc"
