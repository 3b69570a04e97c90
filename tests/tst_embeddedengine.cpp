// The embedded engine runs the client's statements unchanged: qualified names,
// date literals, the server's length and date errors, Russian ordering.
#include "DemoFixture.h"

#include "engine/Error.h"
#include "embedded/RussianCollation.h"
#include "embedded/TsqlDialect.h"

#include <QTest>

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

    void refusesRowsThatPointNowhere()
    {
        DemoFixture demo;
        QVERIFY_THROWS_EXCEPTION(Error, worker(demo)->execute(QStringLiteral(
            "INSERT INTO movement_slushatel (id_student, id_group_slushatel) VALUES (9999, 1)")));
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedEngine)
#include "tst_embeddedengine.moc"
