// The client on a PostgreSQL server the test starts itself, with the QOR
// database made by qor-admin demo --server from server/postgresql: every
// statement of the client runs unchanged and answers as the embedded
// engine's demo database does, refusals read the same, writes never go over
// another client's change, the gate login may run GET_USER and nothing else,
// and GET_USER keeps every sign-in rule.
#include "DemoFixture.h"
#include "GetUserCases.h"
#include "PostgresDemo.h"

#include "data/Connection.h"
#include "data/Registers.h"
#include "data/StudentStatements.h"
#include "engine/Transaction.h"
#include "data/Query.h"
#include "data/BulkOrders.h"
#include "data/OrderStatements.h"
#include "data/Statements.h"
#include "engine/CharShift.h"
#include "engine/TsqlText.h"

#include <QProcess>
#include <QTest>

using namespace qor;

namespace {

const QString RowNotFound =
    QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

// A statement's answer on one engine: its error text, or its columns and rows.
struct Answer
{
    QString error;
    QStringList columns; // lower-case names, with their text lengths
    QList<QList<QVariant>> rows;
};

Answer answer(Engine &engine, const QString &statement)
{
    Answer a;
    try {
        const RowSet rows = engine.select(statement);
        for (const Column &column : rows.columns())
            a.columns.append(QStringLiteral("%1(%2)").arg(column.name.toLower()).arg(column.maxLength));
        for (int row = 0; row < rows.rowCount(); ++row)
            a.rows.append(rows.rowValues(row));
    } catch (const Error &e) {
        a.error = e.text();
    }
    return a;
}

QString describe(const Answer &a)
{
    if (!a.error.isEmpty())
        return QStringLiteral("error: ") + a.error;
    QStringList lines{a.columns.join(u' ')};
    for (const QList<QVariant> &row : a.rows) {
        QStringList cells;
        for (const QVariant &value : row)
            cells.append(value.isNull() ? QStringLiteral("NULL") : value.toString());
        lines.append(cells.join(u'|'));
    }
    return lines.join(u'\n');
}

// The demo's working login on the embedded engine.
std::unique_ptr<SqliteEngine> embeddedWorker(const DemoFixture &demo)
{
    const RowSet login =
        demo.owner()->select(QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));
    return std::make_unique<SqliteEngine>(demo.databaseFile(), QStringLiteral("QOR"), login.text(0, 0),
                                          login.text(0, 1));
}

} // namespace

class TestPostgresEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<PostgresDemo> server;

    QString stored(const QString &statement) { return server->owner()->query(statement).text(0, 0); }

    struct Reply
    {
        QString login, password, message;
        qint64 standing = 0, outdated = 0;
    };
    Reply ask(const QString &statement)
    {
        const RowSet rows = server->gate()->select(statement);
        return {rows.text(0, 0), rows.text(0, 1), rows.text(0, 4), rows.integer(0, 3), rows.integer(0, 5)};
    }

private slots:
    void initTestCase()
    {
        server = std::make_unique<PostgresDemo>();
        QVERIFY2(server->error().isEmpty(), qPrintable(server->error()));
    }
    void cleanupTestCase() { server.reset(); }

    // The README's commands install the scripts into a new database, and run
    // again over it change nothing; a user added there signs in through the
    // server's gate login, which keeps its password.
    void installsWithTheReadmesCommands()
    {
        ThrowawayPostgres &pg = server->server();
        const QString office = QStringLiteral("office");
        for (const bool first : {true, false}) {
            const QString failed =
                pg.installQor(QStringLiteral(QOR_SOURCE_DIR), office, QStringLiteral("not-the-gates"), first);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        }
        admin::addServerUser(server->administrator(), office,
                             {QStringLiteral("иванов"), QStringLiteral("pass1234"), false, std::nullopt});
        QCOMPARE(pg.psql(office, QStringLiteral("SELECT count(*) || ' ' || min(value) FROM qor_user, qor_setting")),
                 QStringLiteral("1 12"));

        PostgresEngine gate(server->address(), office, server->settings().userName, server->settings().password);
        const RowSet reply = gate.select(getUserCall(QStringLiteral("ИВАНОВ"), QStringLiteral("pass1234")));
        QCOMPARE(reply.text(0, 4), QString());
        PostgresEngine working(server->address(), office, decodeStored(reply.text(0, 0)),
                               decodeStored(reply.text(0, 1)));
        QCOMPARE(working.select(statements::students()).rowCount(), 0);
        QCOMPARE(errorOf([&] { working.select(QStringLiteral("SELECT * FROM qor_login")); }),
                 tsql::permissionDeniedError());
    }

    // qor-admin demo --server refuses before it changes anything: no
    // database, login or settings file is left of the attempt.
    void qorAdminRefusesAndChangesNothing_data()
    {
        QTest::addColumn<QString>("serverName");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");
        const QString right = QString::fromLatin1(ThrowawayPostgres::SuperPassword);
        QTest::newRow("a wrong password") << ""
                                          << "wrong"
                                          << "password authentication failed";
        QTest::newRow("no server there") << "pg:127.0.0.1,1" << right << "Cannot connect to";
        QTest::newRow("a database QOR there") << "" << right << "The server has a database QOR already";
        QTest::newRow("no PostgreSQL server") << "(embedded)" << right << "is no PostgreSQL server";
    }
    void qorAdminRefusesAndChangesNothing()
    {
        QFETCH(QString, serverName);
        QFETCH(QString, password);
        QFETCH(QString, error);
        admin::ServerAdministrator administrator = server->administrator();
        if (!serverName.isEmpty())
            administrator.server = serverName;
        administrator.password = password;
        const QString everything = QStringLiteral(
            "SELECT (SELECT string_agg(datname, ',' ORDER BY datname) FROM pg_database) || ' ' || "
            "(SELECT string_agg(rolname, ',' ORDER BY rolname) FROM pg_roles)");
        const auto before = server->server().psql(QStringLiteral("postgres"), everything);
        QTemporaryDir dir;
        QVERIFY(errorOf([&] { admin::createServerDemo(dir.path(), administrator, false); }).contains(error));
        QCOMPARE(server->server().psql(QStringLiteral("postgres"), everything), before);
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/Data/QOR")));
    }

    void namesTheServer_data()
    {
        QTest::addColumn<QString>("dataSource");
        QTest::addColumn<QString>("host"); // empty: no PostgreSQL server; "!": refused
        QTest::addColumn<int>("port");
        QTest::newRow("host and port") << "pg:10.0.0.5,6543"
                                       << "10.0.0.5" << 6543;
        QTest::newRow("host alone") << "pg:db.office"
                                    << "db.office" << 5432;
        QTest::newRow("any letter case, blanks") << "PG: server , 5433"
                                                 << "server" << 5433;
        QTest::newRow("a socket's folder") << "pg:/run/postgresql"
                                           << "/run/postgresql" << 5432;
        QTest::newRow("no host") << "pg:,5432"
                                 << "!" << 0;
        QTest::newRow("no port number") << "pg:server,abc"
                                        << "!" << 0;
        QTest::newRow("port out of range") << "pg:server,70000"
                                           << "!" << 0;
        QTest::newRow("embedded") << "(embedded)"
                                  << "" << 0;
        QTest::newRow("SQL Server") << "server,1433"
                                    << "" << 0;
    }
    void namesTheServer()
    {
        QFETCH(QString, dataSource);
        QFETCH(QString, host);
        QFETCH(int, port);
        std::optional<PostgresServer> server;
        const QString error = errorOf([&] { server = postgresServer(dataSource); });
        if (host == u"!") {
            QVERIFY(error.contains(QStringLiteral("pg:host,port")));
        } else if (host.isEmpty()) {
            QVERIFY(error.isEmpty() && !server);
        } else {
            QVERIFY(server);
            QCOMPARE(server->host, host);
            QCOMPARE(server->port, port);
        }
    }

    // qor-admin's commands on the server, as an administrator types them.
    void qorAdminKeepsTheServersUsers()
    {
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        const admin::ServerAdministrator a = server->administrator();
        const auto qorAdmin = [&](QStringList arguments) {
            arguments << QStringLiteral("--server") << a.server << QStringLiteral("--admin-user") << a.user
                      << QStringLiteral("--admin-password") << a.password;
            QProcess process;
            process.start(qEnvironmentVariable("QOR_TEST_BIN") + QStringLiteral("/qor-admin"), arguments);
            process.waitForFinished(60000);
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        };
        QCOMPARE(qorAdmin({QStringLiteral("user"), QStringLiteral("passwd"), QStringLiteral("QOR"),
                           QStringLiteral("demo"), QStringLiteral("Новый-1")}),
                 0);
        QCOMPARE(ask(getUserCall("demo", "demo123")).message, getuser::WrongCredentials);
        QCOMPARE(ask(getUserCall("demo", "Новый-1")).standing, 999);

        QCOMPARE(
            qorAdmin({QStringLiteral("user"), QStringLiteral("lock"), QStringLiteral("QOR"), QStringLiteral("demo")}),
            0);
        QCOMPARE(ask(getUserCall("demo", "Новый-1")).message, getuser::Disabled);
        QCOMPARE(
            qorAdmin({QStringLiteral("user"), QStringLiteral("unlock"), QStringLiteral("QOR"), QStringLiteral("demo")}),
            0);
        QCOMPARE(ask(getUserCall("demo", "Новый-1")).standing, 999);

        QCOMPARE(qorAdmin({QStringLiteral("min-client"), QStringLiteral("QOR"), QStringLiteral("13")}), 0);
        QCOMPARE(ask(getUserCall("demo", "Новый-1")).outdated, 1);
        QCOMPARE(qorAdmin({QStringLiteral("min-client"), QStringLiteral("QOR"), QStringLiteral("12")}), 0);

        QCOMPARE(
            qorAdmin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("QOR"), QStringLiteral("smirnova"),
                      QStringLiteral("pass-1"), QStringLiteral("--expires-in"), QStringLiteral("5")}),
            0);
        QCOMPARE(ask(getUserCall("smirnova", "pass-1")).standing, 5);
        // A login nobody has, and one taken: refused, nothing changed.
        QCOMPARE(
            qorAdmin({QStringLiteral("user"), QStringLiteral("lock"), QStringLiteral("QOR"), QStringLiteral("nobody")}),
            1);
        QCOMPARE(qorAdmin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("QOR"),
                           QStringLiteral("SMIRNOVA"), QStringLiteral("pass-2")}),
                 1);
        QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM qor_user")), QStringLiteral("4"));
    }

    void everyStatementAnswersAsOnTheEmbeddedEngine_data()
    {
        QTest::addColumn<QString>("statement");
        const QDate from(2026, 9, 1), to(2026, 12, 31);
        QTest::newRow("faculties with groups") << statements::facultiesWithGroups();
        QTest::newRow("all faculties") << statements::allFaculties();
        QTest::newRow("enrolment orders") << statements::enrolmentOrders();
        QTest::newRow("expulsion orders") << statements::expulsionOrders();
        QTest::newRow("groups of a faculty") << statements::groupsOfFaculty(1);
        QTest::newRow("groups of no faculty chosen") << statements::groupsOfFaculty(QVariant());
        QTest::newRow("students") << statements::students();
        QTest::newRow("a group's roster") << statements::rosterOfGroup(2);
        QTest::newRow("students not in a group") << statements::studentsNotInGroup(2);
        QTest::newRow("group and faculty") << statements::groupAndFaculty(3);
        QTest::newRow("contingent, all faculties") << statements::contingentMovement(from, to, QVariant());
        QTest::newRow("contingent, one faculty") << statements::contingentMovement(from, to, 2);
        QTest::newRow("groups past their term") << statements::groupsPastTerm(QDate(2027, 6, 1));
        QTest::newRow("date format") << statements::dateFormatDmy();
        QTest::newRow("students by name") << statements::studentsByName();
        QTest::newRow("roster rows of students") << statements::rosterRowsOfStudents({1, 2, 5});
        QTest::newRow("a student's card") << statements::studentCard(1);
        QTest::newRow("a group's place") << statements::groupPlace(2);
        QTest::newRow("enrolled rows in a group") << statements::enrolledRowsInGroup(1, 1);
        QTest::newRow("student register") << statements::studentRegister();
        QTest::newRow("faculty register") << statements::facultyRegister();
        QTest::newRow("students named alike") << statements::studentsNamedAlike(QStringLiteral("иванов иван иванович"));
        QTest::newRow("faculties named alike") << statements::facultiesNamedAlike(QStringLiteral("ЭКОНОМИЧЕСКИЙ"));
        QTest::newRow("rights on students") << statements::tablePermissions(QStringLiteral("s_fio"));
        QTest::newRow("rights on faculties") << statements::tablePermissions(QStringLiteral("faculty"));
        QTest::newRow("enrolment orders used") << statements::ordersUsed(OrderKind::Enrolment);
        QTest::newRow("expulsion orders used") << statements::ordersUsed(OrderKind::Expulsion);
        OrderUse use{OrderKind::Enrolment, 1, QStringLiteral("О зачислении слушателей ФПК"), QStringLiteral("10-к"),
                     QDate(2026, 9, 1), 7};
        QTest::newRow("students under an order") << statements::studentsUnderOrder(use);
        use = {OrderKind::Expulsion, 2, QString(), QString(), QDate(), 0};
        QTest::newRow("students under an order without number or day") << statements::studentsUnderOrder(use);
        QTest::newRow("other days of an order's number")
            << statements::otherDaysOfOrderNumber(QStringLiteral("О зачислении слушателей ФПК"), QStringLiteral("10-к"),
                                                  QDate(2026, 9, 5));
        QTest::newRow("students of a list in a group") << statements::studentsInGroup(2, {1, 8, 9});
        // Russian text compares without regard to letter case, е and ё apart.
        QTest::newRow("name in other case") << "SELECT id_student FROM s_fio WHERE s_fio = 'иВАНОВ иван ИВАНОВИЧ'";
        QTest::newRow("ё is not е") << "SELECT count(*) AS n FROM s_fio WHERE s_fio = 'Елкина Мария Петровна'";
        QTest::newRow("one name, however written") << "SELECT count(DISTINCT s_fio) AS n FROM s_fio WHERE s_fio IN "
                                                      "('ИВАНОВ ИВАН ИВАНОВИЧ', 'иванов иван иванович')";
        QTest::newRow("names in order") << "SELECT s_fio FROM s_fio ORDER BY s_fio";
        QTest::newRow("three-part names and a cast day")
            << "SELECT [QOR].[dbo].[movement_slushatel].[id_movement] FROM [QOR].[dbo].[movement_slushatel] "
               "WHERE come_date >= CAST('20260903' AS datetime) ORDER BY 1";
    }
    void everyStatementAnswersAsOnTheEmbeddedEngine()
    {
        QFETCH(QString, statement);
        DemoFixture embedded;
        const Answer expected = answer(*embeddedWorker(embedded), statement);
        const Answer got = answer(*server->worker(), statement);
        QVERIFY2(describe(got) == describe(expected),
                 qPrintable(QStringLiteral("PostgreSQL:\n%1\nembedded:\n%2").arg(describe(got), describe(expected))));
    }

    void refusalsReadAsOnTheEmbeddedEngine_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("a roster row of no student")
            << "INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (999, 1)";
        QTest::newRow("a group moved to no faculty")
            << "UPDATE group_slushatel SET id_faculty = 999 WHERE id_group_slushatel = 1";
        QTest::newRow("a faculty that has groups") << "DELETE FROM faculty WHERE id_faculty = 1";
        QTest::newRow("an order still referred to")
            << "DELETE FROM [QOR].[dbo].[prikaz_come_slushatel] WHERE id_prikaz_come_slushatel = 1";
        QTest::newRow("a key given") << "INSERT INTO faculty (id_faculty, [p23-1]) VALUES (99, 'x')";
        QTest::newRow("a key changed") << "UPDATE faculty SET id_faculty = 99 WHERE id_faculty = 4";
        QTest::newRow("an order number too long")
            << "INSERT INTO movement_slushatel (id_student, come_reg) VALUES (1, '123456789012345678901')";
        QTest::newRow("a name too long")
            << QStringLiteral("UPDATE s_fio SET s_fio = '%1' WHERE id_student = 1").arg(QString(101, u'я'));
        QTest::newRow("no date") << "INSERT INTO movement_slushatel (id_student, come_date) VALUES (1, '32.13.2026')";
        QTest::newRow("no faculty chosen") << statements::groupsOfFaculty(QVariant());
        QTest::newRow("the sign-in tables") << "SELECT * FROM qor_user";
        QTest::newRow("the roster's counts") << "UPDATE movement_counts SET roster_rows = 0";
        QTest::newRow("GET_USER") << getUserCall(QStringLiteral("demo"), QStringLiteral("demo123"));
    }
    void refusalsReadAsOnTheEmbeddedEngine()
    {
        QFETCH(QString, statement);
        DemoFixture embedded;
        const QString expected = errorOf([&] { embeddedWorker(embedded)->execute(statement); });
        const auto everything = [&] {
            return stored(QStringLiteral(
                "SELECT (SELECT count(*) FROM movement_slushatel) || ':' || (SELECT string_agg(s_fio, ',' "
                "ORDER BY id_student) FROM s_fio) || ':' || (SELECT count(*) FROM faculty)"));
        };
        const QString before = everything();
        QVERIFY(!expected.isEmpty());
        QCOMPARE(errorOf([&] { server->worker()->execute(statement); }), expected);
        QCOMPARE(everything(), before);
    }

    void namesWhatItDoesNotKnowAsTheServerDoes_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");
        QTest::newRow("table") << "SELECT * FROM [dbo].[students]"
                               << "Invalid object name 'students'.";
        QTest::newRow("column") << "SELECT id_faculty, [p23-3] FROM faculty"
                                << "Invalid column name 'p23-3'.";
        QTest::newRow("procedure") << "EXEC GET_USERS 'demo'"
                                   << "Could not find stored procedure 'GET_USERS'.";
        QTest::newRow("keyword") << "SELECT * FROM faculty WHERE"
                                 << "Incorrect syntax near the keyword 'WHERE'.";
        QTest::newRow("second statement") << "SELECT 1; DELETE FROM faculty"
                                          << "cannot insert multiple commands into a prepared statement";
    }
    void namesWhatItDoesNotKnowAsTheServerDoes()
    {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        QCOMPARE(errorOf([&] { server->worker()->select(statement); }), error);
    }

    // Through the queries the screens use: the key comes from the server,
    // Cyrillic goes both ways, and a change another client made first is
    // never written over or deleted unseen, a change of letter case included.
    void writesOnlyWhereTheRowIsAsRead_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("deleting");
        const QString caseOnly = QStringLiteral(
            "UPDATE prikaz_come_slushatel SET prikaz_come = 'о ЗАЧИСЛЕНИИ слушателей ФПК' "
            "WHERE id_prikaz_come_slushatel = 1");
        QTest::newRow("edit, letter case changed") << caseOnly << false;
        QTest::newRow("edit, row deleted")
            << "DELETE FROM prikaz_leave_slushatel WHERE id_prikaz_leave_slushatel = 3" << false;
        QTest::newRow("delete, letter case changed") << caseOnly << true;
    }
    void writesOnlyWhereTheRowIsAsRead()
    {
        QFETCH(QString, change);
        QFETCH(bool, deleting);
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        Connection connection;
        connection.setConnectionString(server->workingConnectionString());
        Query orders(&connection, QStringLiteral("orders"));
        const bool leaveOrder = change.contains(QStringLiteral("prikaz_leave"));
        orders.setSql(leaveOrder
                          ? QStringLiteral("SELECT * FROM prikaz_leave_slushatel WHERE id_prikaz_leave_slushatel = 3")
                          : QStringLiteral("SELECT * FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = 1"));
        orders.open();
        server->worker()->execute(change);
        const QString everything = QStringLiteral(
            "SELECT (SELECT string_agg(prikaz_come, ',' ORDER BY 1) FROM prikaz_come_slushatel) "
            "|| (SELECT string_agg(prikaz_leave, ',' ORDER BY 1) FROM prikaz_leave_slushatel)");
        const QString left = stored(everything);
        if (deleting) {
            QCOMPARE(errorOf([&] { orders.deleteCurrent(); }), RowNotFound);
        } else {
            orders.setValue(leaveOrder ? 1 : 1, QStringLiteral("О переводе — «ёлка» №5"));
            QCOMPARE(errorOf([&] { orders.post(); }), RowNotFound);
            QCOMPARE(orders.state(), Query::State::Edit);
        }
        QCOMPARE(stored(everything), left);
    }

    // A connection the server dropped fails the statement that finds it so,
    // with the reason; the next statement connects again, with the date order
    // the client had set.
    void connectsAgainAfterTheServerDroppedIt()
    {
        const auto worker = server->worker();
        worker->execute(statements::dateFormatDmy());
        const QString login = server->workingLogin(QStringLiteral("demo")).value(0);
        server->owner()->query(
            QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = $1"), {login});
        QVERIFY(!errorOf([&] { worker->select(statements::allFaculties()); }).isEmpty());
        QCOMPARE(worker->select(QStringLiteral("SELECT CAST('05.03.2026' AS datetime) AS day")).text(0, 0),
                 QStringLiteral("2026-03-05 00:00:00"));
    }

    // Several writes are kept together or not at all, also when the
    // connection is lost between them: the writes after it never go on alone.
    void aTransactionKeepsAllOrNothing()
    {
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        const QString orders = QStringLiteral("SELECT string_agg(prikaz_come, ',' ORDER BY 1) FROM prikaz_come_slushatel");
        const QString before = stored(orders);
        const auto rename = [](Engine &db, int order, const QString &text) {
            db.execute(QStringLiteral("UPDATE prikaz_come_slushatel SET prikaz_come = '%1' WHERE id_prikaz_come_slushatel = %2")
                           .arg(text)
                           .arg(order));
        };
        Connection connection;
        connection.setConnectionString(server->workingConnectionString());
        QCOMPARE(errorOf([&] {
                     connection.inTransaction([&](Engine &db) {
                         rename(db, 1, QStringLiteral("Первый"));
                         rename(db, 2, QString(51, u'я'));
                     });
                 }),
                 QStringLiteral("String or binary data would be truncated."));
        QCOMPARE(stored(orders), before);

        const auto worker = server->worker();
        const QString login = server->workingLogin(QStringLiteral("demo")).value(0);
        QVERIFY(!errorOf([&] {
                     inTransaction(*worker, [&] {
                         rename(*worker, 1, QStringLiteral("Первый"));
                         server->owner()->query(
                             QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = $1"), {login});
                         rename(*worker, 2, QStringLiteral("Второй"));
                     });
                 }).isEmpty());
        QCOMPARE(stored(orders), before);

        inTransaction(*worker, [&] {
            rename(*worker, 1, QStringLiteral("Первый"));
            rename(*worker, 2, QStringLiteral("Второй"));
        });
        QVERIFY(stored(orders).contains(QStringLiteral("Второй")));
        QVERIFY(stored(orders).contains(QStringLiteral("Первый")));
    }

    void keysComeFromTheServerAndTextsGoBothWays()
    {
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        Connection connection;
        connection.setConnectionString(server->workingConnectionString());
        Query orders(&connection, QStringLiteral("orders"));
        orders.setSql(statements::enrolmentOrders());
        orders.open();
        orders.append();
        orders.setValue(QStringLiteral("prikaz_come"), QStringLiteral("О переводе — «ёлка» №5"));
        orders.post();
        const qint64 key = orders.asInteger(QStringLiteral("id_prikaz_come_slushatel"));
        QCOMPARE(
            key,
            stored(QStringLiteral("SELECT max(id_prikaz_come_slushatel) FROM prikaz_come_slushatel")).toLongLong());
        QCOMPARE(
            stored(QStringLiteral("SELECT prikaz_come FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = %1")
                       .arg(key)),
            QStringLiteral("О переводе — «ёлка» №5"));

        // The roster's rows join the names: written to their own table, by key.
        Query roster(&connection, QStringLiteral("roster"));
        roster.setUniqueTable(QStringLiteral("movement_slushatel"));
        roster.setSql(statements::rosterOfGroup(1));
        roster.open();
        roster.setValue(QStringLiteral("leave_reg"), QStringLiteral("7-о"));
        roster.setValue(QStringLiteral("leave_date"), QDateTime(QDate(2027, 1, 20), QTime(9, 30)));
        roster.post();
        const QString movement = roster.asString(QStringLiteral("id_movement"));
        QCOMPARE(stored(QStringLiteral(
                            "SELECT leave_reg || ' ' || leave_date FROM movement_slushatel WHERE id_movement = %1")
                            .arg(movement)),
                 QStringLiteral("7-о 2027-01-20 09:30:00"));
        // A refused text leaves the row in editing, the table as it was.
        roster.setValue(QStringLiteral("come_reg"), QString(21, u'ж'));
        QCOMPARE(errorOf([&] { roster.post(); }), tsql::truncationError());
        QCOMPARE(roster.state(), Query::State::Edit);
        roster.cancel();

        // The client's own insert, and the counts the reports read follow the roster.
        connection.execute(statements::addToGroup(3, 6, 2, QDate(2026, 10, 5), QStringLiteral("12'к")));
        QCOMPARE(stored(QStringLiteral(
                     "SELECT count(*) FROM movement_slushatel WHERE id_group_slushatel = 6 AND come_reg = '12''к' "
                     "AND come_date = '2026-10-05'")),
                 QStringLiteral("1"));
        const QString counts = QStringLiteral(
            "SELECT string_agg(concat_ws('/', id_group_slushatel, come_date, leave_date, roster_rows), ' ' "
            "ORDER BY id_group_slushatel, come_date, leave_date) FROM %1");
        QCOMPARE(stored(counts.arg(QStringLiteral("movement_counts"))),
                 stored(counts.arg(
                     QStringLiteral("(SELECT id_group_slushatel, come_date, leave_date, count(*) AS roster_rows "
                                    "FROM movement_slushatel GROUP BY 1, 2, 3) c"))));
    }

    void theGateMayRunGetUserAndNothingElse_data()
    {
        QTest::addColumn<QString>("statement");
        const QStringList tables{QStringLiteral("faculty"),
                                 QStringLiteral("group_slushatel"),
                                 QStringLiteral("s_fio"),
                                 QStringLiteral("prikaz_come_slushatel"),
                                 QStringLiteral("prikaz_leave_slushatel"),
                                 QStringLiteral("movement_slushatel"),
                                 QStringLiteral("movement_counts"),
                                 QStringLiteral("qor_login"),
                                 QStringLiteral("qor_user"),
                                 QStringLiteral("qor_setting"),
                                 QStringLiteral("qor_signin_log")};
        for (const QString &table : tables) {
            QTest::addRow("read %s", qPrintable(table)) << QStringLiteral("SELECT * FROM %1").arg(table);
            QTest::addRow("insert into %s", qPrintable(table))
                << QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
            QTest::addRow("update %s", qPrintable(table))
                << QStringLiteral("UPDATE %1 SET %2 = NULL")
                       .arg(table, table == u"movement_slushatel" ? QStringLiteral("come_reg") : QStringLiteral("xyz"));
            QTest::addRow("delete from %s", qPrintable(table)) << QStringLiteral("DELETE FROM %1").arg(table);
        }
        QTest::newRow("the hash function") << "SELECT qor_password_hash('x')";
        QTest::newRow("a table of its own") << "CREATE TABLE mine (id integer)";
        QTest::newRow("a temporary table") << "CREATE TEMPORARY TABLE mine (id integer)";
    }
    void theGateMayRunGetUserAndNothingElse()
    {
        QFETCH(QString, statement);
        const auto gate = server->gate();
        const QString error = errorOf([&] { gate->execute(statement); });
        QVERIFY2(error == tsql::permissionDeniedError() || error.startsWith(QStringLiteral("Invalid column name"))
                     || error == tsql::countsNotUpdatableError(),
                 qPrintable(error));
        QVERIFY(!gate->select(getUserCall(QStringLiteral("demo"), QStringLiteral("demo123"))).text(0, 0).isEmpty());
    }

    void signInAnswersAsOnTheEmbeddedEngine_data() { addGetUserCases(); }
    void signInAnswersAsOnTheEmbeddedEngine()
    {
        QFETCH(QString, setup);
        QFETCH(QString, statement);
        QFETCH(QString, message);
        QFETCH(int, standing);
        QFETCH(int, outdated);
        QFETCH(bool, credentials);
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        if (setup == u"lock")
            admin::setServerLocked(server->administrator(), QStringLiteral("QOR"), QStringLiteral("demo"), true);
        else if (setup == u"min-client")
            admin::setServerMinimumClient(server->administrator(), QStringLiteral("QOR"), 13);
        else if (setup == u"short-life")
            server->owner()->query(QStringLiteral("UPDATE qor_user SET password_days = 14"));

        const Reply reply = ask(statement);
        QCOMPARE(reply.message, message);
        QCOMPARE(reply.standing, standing);
        QCOMPARE(reply.outdated, outdated);
        QCOMPARE(!reply.login.isEmpty(), credentials);
        if (credentials) {
            // The stored form decodes to a working login that opens the database.
            PostgresEngine working(server->address(), QStringLiteral("QOR"), decodeStored(reply.login),
                                   decodeStored(reply.password));
            QVERIFY(working.select(statements::students()).rowCount() > 0);
        }
        // Every call is logged.
        QCOMPARE(
            stored(QStringLiteral("SELECT count(*) FROM qor_signin_log WHERE address = '10.0.0.5' OR address = ''")),
            QStringLiteral("1"));
    }

    void fiveFailuresLockForFifteenMinutes()
    {
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        ask(getUserCall("demo", "bad"));
        QCOMPARE(ask(getUserCall("demo", "demo123")).message, QString()); // a success resets the count
        for (int i = 0; i < getuser::FailuresBeforeLock; ++i)
            QCOMPARE(ask(getUserCall("demo", "bad")).message, getuser::WrongCredentials);
        QCOMPARE(ask(getUserCall("demo", "demo123")).message, getuser::LockedFor.arg(15));
        QCOMPARE(stored(QStringLiteral("SELECT string_agg(outcome, ',' ORDER BY id_log) FROM qor_signin_log")),
                 QStringLiteral("wrong password,signed in,wrong password,wrong password,wrong password,wrong password,"
                                "wrong password,locked"));

        server->owner()->query(
            QStringLiteral("UPDATE qor_user SET locked_until = localtimestamp(0) + interval '20 seconds'"));
        QCOMPARE(ask(getUserCall("demo", "demo123")).message, getuser::LockedFor.arg(1));
        server->owner()->query(
            QStringLiteral("UPDATE qor_user SET locked_until = localtimestamp(0) - interval '1 second'"));
        QCOMPARE(ask(getUserCall("demo", "demo123")).standing, 999);
        QCOMPARE(stored(QStringLiteral("SELECT failed_count FROM qor_user WHERE login = 'demo'")), QStringLiteral("0"));
    }

    // A copied database gives no password away: each is a salted bcrypt of
    // its digest, never the digest, and two users with one password differ.
    void keepsSaltedSlowHashes()
    {
        QVERIFY2(server->reset().isEmpty(), "the demo database could not be put back");
        admin::addServerUser(server->administrator(), QStringLiteral("QOR"),
                             {QStringLiteral("twin"), QStringLiteral("demo123"), false, std::nullopt});
        const RowSet hashes = server->owner()->query(
            QStringLiteral("SELECT password_hash FROM qor_user WHERE login IN ('demo', 'twin')"));
        QCOMPARE(hashes.rowCount(), 2);
        QVERIFY(hashes.text(0, 0).startsWith(QStringLiteral("$2a$10$")));
        QVERIFY(hashes.text(0, 0) != hashes.text(1, 0));
        QVERIFY(!hashes.text(0, 0).contains(*passwordDigest(QStringLiteral("demo123")), Qt::CaseInsensitive));
        QCOMPARE(ask(getUserCall("twin", "demo123")).standing, 999);
    }
};

QTEST_GUILESS_MAIN(TestPostgresEngine)
#include "tst_postgresengine.moc"
