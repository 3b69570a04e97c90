// The embedded engine runs the client's statements unchanged: qualified names,
// date literals, the server's length and date errors, Russian ordering.
#include "DemoFixture.h"

#include "data/Statements.h"
#include "embedded/RussianCollation.h"
#include "embedded/TsqlDialect.h"
#include "engine/Error.h"

#include <QTest>

#include <limits>

using namespace qor;

class TestEmbeddedEngine : public QObject
{
    Q_OBJECT

    // A working session as the demo user.
    std::unique_ptr<SqliteEngine> worker(const DemoFixture &demo)
    {
        const ConnectionSettings s = parseConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        return std::make_unique<SqliteEngine>(demo.databaseFile(), s.catalog, s.userName, s.password);
    }

private slots:
    void stripsQualifiersOutsideLiterals_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("three-part") << "Select * FROM [QOR].[dbo].[s_fio]" << "Select * FROM [s_fio]";
        QTest::newRow("dbo column") << "SELECT dbo.faculty.[p23-1] FROM dbo.faculty" << "SELECT faculty.[p23-1] FROM faculty";
        QTest::newRow("bare three-part") << "INSERT INTO QOR.dbo.s_fio" << "INSERT INTO s_fio";
        QTest::newRow("literal untouched") << "SELECT 'dbo.x', \"dbo\".t" << "SELECT 'dbo.x', t";
        QTest::newRow("table.column kept") << "s_fio.s_fio,* FROM movement_slushatel" << "s_fio.s_fio,* FROM movement_slushatel";
        QTest::newRow("comment untouched") << "SELECT 1 -- dbo.t" << "SELECT 1 -- dbo.t";
        QTest::newRow("number") << "SELECT 1.5, x1.dbo" << "SELECT 1.5, x1.dbo";
    }
    void stripsQualifiersOutsideLiterals()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(tsql::stripQualifiers(input), output);
    }

    // Every statement the screens send, on the demo data.
    void runsTheClientsStatements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("rows"); // -1: a statement without rows
        QTest::addColumn<QString>("firstRowText"); // column 1 of the first row, or ""
        QTest::newRow("faculties with groups")
            << "SELECT distinct   dbo.faculty.id_faculty, dbo.faculty.[p23-1],dbo.faculty.[p23-2] FROM         dbo.faculty INNER JOIN dbo.group_slushatel ON dbo.faculty.id_faculty = dbo.group_slushatel.id_faculty ORDER BY dbo.faculty.[p23-1]"
            << 3 << "Подготовительное отделение";
        QTest::newRow("all faculties")
            << "SELECT distinct   dbo.faculty.id_faculty, dbo.faculty.[p23-1],dbo.faculty.[p23-2] FROM         dbo.faculty ORDER BY dbo.faculty.[p23-1] "
            << 4 << "Подготовительное отделение";
        QTest::newRow("enrolment orders") << "Select * FROM [QOR].[dbo].[prikaz_come_slushatel]" << 4 << "О зачислении слушателей ФПК";
        QTest::newRow("expulsion orders") << "Select * FROM [QOR].[dbo].[prikaz_leave_slushatel]" << 3 << "Об отчислении по собственному желанию";
        QTest::newRow("groups of a faculty") << "SELECT * FROM [group_slushatel] Where id_faculty=1" << 2 << "1";
        QTest::newRow("students") << "Select * FROM [QOR].[dbo].[s_fio]" << 24 << "Иванов Иван Иванович";
        QTest::newRow("roster")
            << "SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) AS Row,s_fio.s_fio,* FROM movement_slushatel Inner Join s_fio on s_fio.id_student=movement_slushatel.id_student WHERE id_group_slushatel=1 Order by s_fio.s_fio"
            << 7 << "Алексеев Дмитрий Юрьевич";
        QTest::newRow("not yet in group")
            << "Select * from [s_fio] where id_student not in (Select id_student from movement_slushatel where id_group_slushatel=1) order by s_fio"
            << 17 << "Беляев Никита Романович";
        QTest::newRow("add to group")
            << "INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],[id_group_slushatel],[id_prikaz_come_slushatel],[come_date],[come_reg]) VALUES (24,6,3,'20150305','12-''к')"
            << -1 << "";
        QTest::newRow("date format") << "SET DATEFORMAT dmy" << -1 << "";
    }
    void runsTheClientsStatements()
    {
        QFETCH(QString, statement);
        QFETCH(int, rows);
        QFETCH(QString, firstRowText);
        DemoFixture demo;
        auto db = worker(demo);
        if (rows < 0) {
            db->execute(statement);
            return;
        }
        const RowSet result = db->select(statement);
        QCOMPARE(result.rowCount(), rows);
        QCOMPARE(result.text(0, 1), firstRowText);
    }

    void rosterNamesDuplicatesAndNumbersRows()
    {
        DemoFixture demo;
        const RowSet roster = worker(demo)->select(QStringLiteral(
            "SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) AS Row,s_fio.s_fio,* FROM movement_slushatel Inner Join s_fio on s_fio.id_student=movement_slushatel.id_student WHERE id_group_slushatel=1 Order by s_fio.s_fio"));
        QStringList names;
        for (const Column &c : roster.columns())
            names.append(c.name);
        QCOMPARE(names, QStringList({"Row", "s_fio", "id_student", "id_group_slushatel", "id_prikaz_come_slushatel",
                                     "id_prikaz_leave_slushatel", "come_date", "leave_date", "come_reg", "leave_reg",
                                     "id_movement", "id_student_1", "s_fio_1"}));
        QCOMPARE(roster.columns()[0].type, ColumnType::BigInt);
        QCOMPARE(roster.columns()[6].type, ColumnType::DateTime);
        QCOMPARE(roster.columns()[8].maxLength, 20);
        QCOMPARE(roster.columns()[2].baseTable, QStringLiteral("movement_slushatel"));
        QStringList order;
        for (int row = 0; row < roster.rowCount(); ++row) {
            QCOMPARE(roster.integer(row, 0), row + 1);
            order.append(roster.text(row, 1));
        }
        // Ё sorts with Е (Елисеев before Ёлкина by their third letters), before Ж.
        QCOMPARE(order, QStringList({"Алексеев Дмитрий Юрьевич", "Елисеев Константин Олегович", "Ёлкина Мария Петровна",
                                     "Жукова Дарья Викторовна", "Иванов Иван Иванович", "Петрова Анна Сергеевна",
                                     "Сидоров Павел Андреевич"}));
    }

    void collatesRussianText_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("case-insensitive") << "иванов" << "ИВАНОВ" << 0;
        QTest::newRow("latin case") << "Smith" << "smith" << 0;
        QTest::newRow("е before ж") << "Елисеев" << "Жуков" << -1;
        QTest::newRow("ё weighs as е") << "Ёлкин" << "Елисеев" << 1; // decided by к against и
        QTest::newRow("ё after е on a tie") << "ёж" << "еж" << 1;
        QTest::newRow("ё before ж") << "Ёж" << "Жаба" << -1;
        QTest::newRow("я last") << "Яковлев" << "Эйдельман" << 1;
        QTest::newRow("prefix first") << "Иван" << "Иванов" << -1;
        QTest::newRow("latin before cyrillic") << "Zeta" << "Алфа" << -1;
    }
    void collatesRussianText()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const int result = compareRussian(a.toStdString(), b.toStdString());
        QCOMPARE((result > 0) - (result < 0), sign);
    }

    void storesDatesInOneFormAndRefusesOthers_data()
    {
        QTest::addColumn<QString>("literal");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::newRow("YYYYMMDD") << "'20150305'" << "2015-03-05 00:00:00";
        QTest::newRow("with time") << "'20140901 15:48:16'" << "2014-09-01 15:48:16";
        QTest::newRow("ISO") << "'2014-09-01T08:30:00'" << "2014-09-01 08:30:00";
        QTest::newRow("dmy dotted") << "'05.03.2015'" << "2015-03-05 00:00:00";
        QTest::newRow("no such day") << "'20150230'" << "";
        QTest::newRow("not a date") << "'вчера'" << "";
        QTest::newRow("NULL") << "NULL" << "NULL";
    }
    void storesDatesInOneFormAndRefusesOthers()
    {
        QFETCH(QString, literal);
        QFETCH(QString, stored);
        DemoFixture demo;
        auto db = worker(demo);
        const QString insert = QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, come_date) VALUES (1, 6, %1)").arg(literal);
        if (stored.isEmpty()) {
            try {
                db->execute(insert);
                QFAIL("a bad date was stored");
            } catch (const Error &e) {
                QCOMPARE(e.text(), tsql::dateConversionError());
            }
            QCOMPARE(db->select(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE id_group_slushatel = 6")).integer(0, 0), 0);
            return;
        }
        db->execute(insert);
        const RowSet row = db->select(QStringLiteral("SELECT ifnull(come_date, 'NULL') FROM movement_slushatel WHERE id_group_slushatel = 6"));
        QCOMPARE(row.text(0, 0), stored);
    }

    void enforcesLengthsWithTheServersError_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("fits");
        QTest::newRow("order number of 20") << QStringLiteral("UPDATE movement_slushatel SET come_reg = '%1' WHERE id_movement = 1").arg(QString(20, u'ж')) << true;
        QTest::newRow("order number of 21") << QStringLiteral("UPDATE movement_slushatel SET come_reg = '%1' WHERE id_movement = 1").arg(QString(21, u'ж')) << false;
        QTest::newRow("new row, number of 21") << QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, come_reg) VALUES (1, 6, '%1')").arg(QString(21, u'1')) << false;
        QTest::newRow("group short name of 51") << QStringLiteral("UPDATE group_slushatel SET name_short = '%1'").arg(QString(51, u'x')) << false;
        QTest::newRow("group full name of 100") << QStringLiteral("UPDATE group_slushatel SET name_full = '%1'").arg(QString(100, u'я')) << true;
        QTest::newRow("order of 51") << QStringLiteral("INSERT INTO prikaz_leave_slushatel (prikaz_leave) VALUES ('%1')").arg(QString(51, u'я')) << false;
        QTest::newRow("name of 101") << QStringLiteral("UPDATE s_fio SET s_fio = '%1' WHERE id_student = 1").arg(QString(101, u'я')) << false;
    }
    void enforcesLengthsWithTheServersError()
    {
        QFETCH(QString, statement);
        QFETCH(bool, fits);
        DemoFixture demo;
        auto db = worker(demo);
        try {
            db->execute(statement);
            QVERIFY(fits);
        } catch (const Error &e) {
            QVERIFY2(!fits, qPrintable(e.text()));
            QCOMPARE(e.text(), QStringLiteral("String or binary data would be truncated."));
        }
    }

    // Every input ends in a result or an error: a NUL character, or a second
    // statement where one is run, is refused, never skipped or looped over.
    void refusesWhatItWouldSkip_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("asSelect");
        const QString nul(QChar(0));
        QTest::newRow("NUL after a statement, run") << QStringLiteral("SELECT 1;") + nul << false;
        QTest::newRow("NUL after a statement, read") << QStringLiteral("SELECT 1;") + nul << true;
        QTest::newRow("NUL before a statement") << QStringLiteral("SELECT 1;") + nul + QStringLiteral("DELETE FROM s_fio") << false;
        QTest::newRow("second statement of a read") << QStringLiteral("SELECT 1; DELETE FROM s_fio") << true;
    }
    void refusesWhatItWouldSkip()
    {
        QFETCH(QString, statement);
        QFETCH(bool, asSelect);
        DemoFixture demo;
        auto db = worker(demo);
        QVERIFY_THROWS_EXCEPTION(Error, asSelect ? void(db->select(statement)) : db->execute(statement));
        QCOMPARE(demo.owner()->select(QStringLiteral("SELECT count(*) FROM s_fio")).integer(0, 0), 24);
    }

    // A procedure call parses as the server reads it: quotes must close, and
    // nothing after the call goes unrun without a word.
    void parsesProcedureCalls_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("arguments"); // -1: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("plain") << "EXEC GET_USER 'a', N'b', NULL, 12" << 4 << "";
        QTest::newRow("quote in a literal") << "EXECUTE dbo.GET_USER 'it''s'" << 1 << "";
        QTest::newRow("semicolon and comment after") << "EXEC GET_USER 'a'; -- done" << 1 << "";
        QTest::newRow("no arguments") << "EXEC GET_USER" << 0 << "";
        QTest::newRow("unclosed after a doubled quote") << "EXEC GET_USER 'abc''" << -1
            << "Unclosed quotation mark after the character string 'abc'''.";
        QTest::newRow("unclosed") << "EXEC GET_USER 'a', 'b" << -1 << "Unclosed quotation mark after the character string 'b'.";
        QTest::newRow("statement after the call") << "EXEC GET_USER 'a'; DROP TABLE s_fio" << -1
            << "Incorrect syntax near 'DROP TABLE'.";
        QTest::newRow("NUL after the call") << QStringLiteral("EXEC GET_USER 'a';") + QChar(0) << -1 << "";
    }
    void parsesProcedureCalls()
    {
        QFETCH(QString, statement);
        QFETCH(int, arguments);
        QFETCH(QString, error);
        if (arguments >= 0) {
            const auto call = tsql::parseExec(statement);
            QVERIFY(call);
            QCOMPARE(call->procedure, QStringLiteral("GET_USER"));
            QCOMPARE(call->arguments.size(), arguments);
            return;
        }
        const QString text = errorOf([&] { tsql::parseExec(statement); });
        QVERIFY2(!text.isEmpty(), "accepted");
        if (!error.isEmpty())
            QCOMPARE(text, error);
        // The gate login runs nothing of it either.
        DemoFixture demo;
        const ConnectionSettings gate = parseConnectionString(demo.gateConnectionString());
        SqliteEngine session(demo.databaseFile(), gate.catalog, gate.userName, gate.password);
        QVERIFY_THROWS_EXCEPTION(Error, session.select(statement));
        QCOMPARE(demo.owner()->select(QStringLiteral("SELECT count(*) FROM s_fio")).integer(0, 0), 24);
    }

    // A write while another program holds the file says so in the user's
    // language, and what to do; the engine's "database is locked" does not.
    void namesAFileAnotherProgramHolds_data()
    {
        QTest::addColumn<QString>("write");
        QTest::newRow("statement") << "statement";
        QTest::newRow("insert") << "insert";
        QTest::newRow("update") << "update";
        QTest::newRow("delete") << "delete";
    }
    void namesAFileAnotherProgramHolds()
    {
        QFETCH(QString, write);
        DemoFixture demo;
        const auto other = demo.owner();
        other->execute(QStringLiteral("BEGIN IMMEDIATE"));
        auto db = worker(demo);
        db->setBusyTimeout(20);
        RowWrite row;
        row.table = QStringLiteral("s_fio");
        row.keyColumn = QStringLiteral("id_student");
        row.keyValue = 24;
        row.columns = QStringList{QStringLiteral("s_fio")};
        row.values = {QStringLiteral("Новиков Олег Ильич")};
        const QString error = errorOf([&] {
            if (write == u"statement")
                db->execute(QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('Новиков Олег Ильич')"));
            else if (write == u"insert")
                db->insertRow(row);
            else if (write == u"update")
                db->updateRow(row);
            else
                db->deleteRow(row);
        });
        QCOMPARE(error, QStringLiteral("База данных %1 занята: её файл держит другая программа, и действие не выполнено. "
                                       "Закройте эту программу или завершите в ней начатую запись и повторите действие.")
                            .arg(demo.databaseFile()));
        other->execute(QStringLiteral("ROLLBACK"));
        QCOMPARE(demo.owner()->select(QStringLiteral("SELECT count(*) FROM s_fio")).integer(0, 0), 24);
    }

    // A statement with an empty key spliced in reads as the server's syntax error.
    void namesSyntaxErrorsAsTheServer_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");
        QTest::newRow("groups of no faculty") << "SELECT * FROM [group_slushatel] Where id_faculty=" << "Incorrect syntax near '='.";
        QTest::newRow("roster of no group")
            << "SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) AS Row,s_fio.s_fio,* FROM movement_slushatel Inner Join s_fio on s_fio.id_student=movement_slushatel.id_student WHERE id_group_slushatel= Order by s_fio.s_fio"
            << "Incorrect syntax near the keyword 'Order'.";
        QTest::newRow("not yet in no group")
            << "Select * from [s_fio] where id_student not in (Select id_student from movement_slushatel where id_group_slushatel=) order by s_fio"
            << "Incorrect syntax near ')'.";
        QTest::newRow("run, ends in a keyword") << "DELETE FROM" << "Incorrect syntax near the keyword 'FROM'.";
    }
    void namesSyntaxErrorsAsTheServer()
    {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        DemoFixture demo;
        auto db = worker(demo);
        QCOMPARE(errorOf([&] {
                     if (statement.startsWith(u"DELETE"))
                         db->execute(statement);
                     else
                         db->select(statement);
                 }),
                 error);
    }

    // A row that refers to a row another client has just deleted is refused
    // with the server's words, naming its constraint.
    void namesTheBrokenReference_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<QString>("error");
        const QString insert = QStringLiteral(
            "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_movement_slushatel_prikaz_come\". The "
            "conflict occurred in database \"QOR\", table \"dbo.prikaz_come_slushatel\", column 'id_prikaz_come_slushatel'.");
        QTest::newRow("add to group") << "statement" << insert;
        QTest::newRow("new roster row") << "insert" << insert;
        QTest::newRow("changed roster row") << "update"
            << QStringLiteral("The UPDATE statement conflicted with the FOREIGN KEY constraint \"FK_movement_slushatel_prikaz_come\". The "
                              "conflict occurred in database \"QOR\", table \"dbo.prikaz_come_slushatel\", column 'id_prikaz_come_slushatel'.");
        QTest::newRow("group of a deleted faculty") << "group"
            << QStringLiteral("The UPDATE statement conflicted with the FOREIGN KEY constraint \"FK_group_slushatel_faculty\". The "
                              "conflict occurred in database \"QOR\", table \"dbo.faculty\", column 'id_faculty'.");
        QTest::newRow("student still in a group") << "delete"
            << QStringLiteral("The DELETE statement conflicted with the REFERENCE constraint \"FK_movement_slushatel_s_fio\". The "
                              "conflict occurred in database \"QOR\", table \"dbo.movement_slushatel\", column 'id_student'.");
    }
    void namesTheBrokenReference()
    {
        QFETCH(QString, write);
        QFETCH(QString, error);
        DemoFixture demo;
        auto db = worker(demo);
        // Another client adds an order and a faculty and deletes them again.
        const auto other = demo.owner();
        other->execute(QStringLiteral("INSERT INTO prikaz_come_slushatel (prikaz_come) VALUES ('Временный')"));
        const qint64 order = other->select(QStringLiteral("SELECT max(id_prikaz_come_slushatel) FROM prikaz_come_slushatel")).integer(0, 0);
        other->execute(QStringLiteral("DELETE FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = %1").arg(order));
        other->execute(QStringLiteral("INSERT INTO faculty ([p23-1]) VALUES ('Временный')"));
        const qint64 faculty = other->select(QStringLiteral("SELECT max(id_faculty) FROM faculty")).integer(0, 0);
        other->execute(QStringLiteral("DELETE FROM faculty WHERE id_faculty = %1").arg(faculty));
        const qint64 rows = other->select(QStringLiteral("SELECT count(*) FROM movement_slushatel")).integer(0, 0);

        RowWrite row;
        row.table = QStringLiteral("movement_slushatel");
        row.keyColumn = QStringLiteral("id_movement");
        row.keyValue = 1;
        row.columns = QStringList{QStringLiteral("id_prikaz_come_slushatel")};
        row.values = {order};
        if (write == u"insert") {
            row.columns += QStringList{QStringLiteral("id_student"), QStringLiteral("id_group_slushatel")};
            row.values += QList<QVariant>{24, 6};
        } else if (write == u"group") {
            row.table = QStringLiteral("group_slushatel");
            row.keyColumn = QStringLiteral("id_group_slushatel");
            row.columns = QStringList{QStringLiteral("id_faculty")};
            row.values = {faculty};
        }
        QCOMPARE(errorOf([&] {
                     if (write == u"statement")
                         db->execute(statements::addToGroup(24, 6, order, QDate(2015, 3, 5), QStringLiteral("12-к")));
                     else if (write == u"delete")
                         db->execute(QStringLiteral("DELETE FROM s_fio WHERE id_student = 1"));
                     else if (write == u"insert")
                         db->insertRow(row);
                     else
                         db->updateRow(row);
                 }),
                 error);
        // Nothing of the refused write stays, and the engine goes on.
        QCOMPARE(other->select(QStringLiteral("SELECT count(*) FROM movement_slushatel")).integer(0, 0), rows);
        QCOMPARE(other->select(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE id_prikaz_come_slushatel = %1").arg(order)).integer(0, 0), 0);
        QCOMPARE(other->select(QStringLiteral("SELECT count(*) FROM group_slushatel WHERE id_faculty = %1").arg(faculty)).integer(0, 0), 0);
        db->execute(statements::addToGroup(24, 6, 1, QDate(2015, 3, 5), QStringLiteral("12-к")));
    }

    // The database assigns the keys; the working login may not, else one
    // key at the top of the range leaves no room for any other.
    void refusesKeysFromTheWorkingLogin_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");
        const QString listed = QStringLiteral("Cannot insert explicit value for identity column in table 's_fio' when IDENTITY_INSERT is set to OFF.");
        QTest::newRow("listed key") << "INSERT INTO s_fio (id_student, s_fio) VALUES (9223372036854775807, 'x')" << listed;
        QTest::newRow("qualified, bracketed")
            << "INSERT INTO [QOR].[dbo].[s_fio] ([s_fio], [ID_STUDENT]) VALUES ('x', 9223372036854775807)" << listed;
        QTest::newRow("by rowid") << "INSERT INTO s_fio (rowid, s_fio) VALUES (9223372036854775807, 'x')" << listed;
        QTest::newRow("quoted, after a comment") << "/* x */ insert or replace into \"s_fio\" (`id_student`, s_fio) select 9223372036854775807, 'x'" << listed;
        QTest::newRow("after a WITH")
            << "WITH k(v) AS (SELECT 9223372036854775807) INSERT INTO s_fio (id_student, s_fio) SELECT v, 'x' FROM k" << listed;
        QTest::newRow("no column list") << "INSERT INTO s_fio VALUES (9223372036854775807, 'x')"
            << "An explicit value for the identity column in table 's_fio' can only be specified when a column list is used and IDENTITY_INSERT is ON.";
        QTest::newRow("key changed") << "UPDATE s_fio SET id_student = 9223372036854775807 WHERE id_student = 24"
            << "Cannot update identity column 'id_student'.";
        QTest::newRow("key changed by rowid") << "UPDATE s_fio SET _rowid_ = 9223372036854775807 WHERE id_student = 24"
            << "Cannot update identity column 'id_student'.";
        QTest::newRow("order key") << "INSERT INTO prikaz_come_slushatel (id_prikaz_come_slushatel, prikaz_come) VALUES (9223372036854775807, 'x')"
            << "Cannot insert explicit value for identity column in table 'prikaz_come_slushatel' when IDENTITY_INSERT is set to OFF.";
    }
    void refusesKeysFromTheWorkingLogin()
    {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        DemoFixture demo;
        auto db = worker(demo);
        QCOMPARE(errorOf([&] { db->execute(statement); }), error);
        QCOMPARE(errorOf([&] { db->select(statement + QStringLiteral(" RETURNING 1")); }), error);
        const auto owner = demo.owner();
        QCOMPARE(owner->select(QStringLiteral("SELECT max(id_student) FROM s_fio")).integer(0, 0), 24);
        // The next student still gets the next key.
        db->execute(QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('Новиков Олег Ильич')"));
        QCOMPARE(owner->select(QStringLiteral("SELECT max(id_student) FROM s_fio")).integer(0, 0), 25);
    }
    void refusesAKeyInARowWrite()
    {
        DemoFixture demo;
        RowWrite row;
        row.table = QStringLiteral("s_fio");
        row.keyColumn = QStringLiteral("id_student");
        row.columns = QStringList{QStringLiteral("id_student"), QStringLiteral("s_fio")};
        row.values = {QVariant(std::numeric_limits<qint64>::max()), QStringLiteral("x")};
        QCOMPARE(errorOf([&] { worker(demo)->insertRow(row); }),
                 QStringLiteral("Cannot insert explicit value for identity column in table 's_fio' when IDENTITY_INSERT is set to OFF."));
        // The administration tool keeps its own keys.
        row.values = {100, QStringLiteral("x")};
        QCOMPARE(demo.owner()->insertRow(row).toLongLong(), 100);
    }

    void refusesRowsThatPointNowhere()
    {
        DemoFixture demo;
        QVERIFY_THROWS_EXCEPTION(Error, worker(demo)->execute(QStringLiteral(
            "INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (9999, 1)")));
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedEngine)
#include "tst_embeddedengine.moc"
