// The ODBC engine on a real driver: unixODBC with PostgreSQL's driver on a
// server the test starts itself, holding the QOR tables with case-blind text
// as SQL Server's Cyrillic_General_CI_AS has it. Reads forward-only, writes
// with bound values, takes the key the database assigns, and never writes
// over another client's change.
#include "DemoFixture.h"
#include "ThrowawayPostgres.h"

#include "data/Connection.h"
#include "data/OdbcEngine.h"
#include "data/Query.h"

#include <QTest>

using namespace qor;

namespace {

const QStringList Schema{
    // Compares and orders ignoring letter case, as the server's collation does.
    QStringLiteral("CREATE COLLATION IF NOT EXISTS ci (provider = icu, locale = 'und-u-ks-level2', deterministic = false)"),
    QStringLiteral("DROP TABLE IF EXISTS movement_slushatel, group_slushatel, faculty, s_fio, prikaz_come_slushatel, prikaz_leave_slushatel"),
    QStringLiteral("CREATE TABLE faculty (id_faculty integer PRIMARY KEY, \"p23-1\" varchar(100) COLLATE ci, \"p23-2\" varchar(100) COLLATE ci)"),
    QStringLiteral("CREATE TABLE group_slushatel (id_group_slushatel serial PRIMARY KEY, id_faculty integer REFERENCES faculty,"
                   " name_short varchar(50) COLLATE ci, name_full varchar(100) COLLATE ci, srok_obuchenia timestamp, oplata double precision)"),
    QStringLiteral("CREATE TABLE s_fio (id_student serial PRIMARY KEY, s_fio varchar(100) COLLATE ci)"),
    QStringLiteral("CREATE TABLE prikaz_come_slushatel (id_prikaz_come_slushatel serial PRIMARY KEY, prikaz_come varchar(50) COLLATE ci)"),
    QStringLiteral("CREATE TABLE prikaz_leave_slushatel (id_prikaz_leave_slushatel serial PRIMARY KEY, prikaz_leave varchar(50) COLLATE ci)"),
    QStringLiteral("CREATE TABLE movement_slushatel (id_student integer REFERENCES s_fio,"
                   " id_group_slushatel integer REFERENCES group_slushatel,"
                   " id_prikaz_come_slushatel integer REFERENCES prikaz_come_slushatel,"
                   " id_prikaz_leave_slushatel integer REFERENCES prikaz_leave_slushatel,"
                   " come_date timestamp, leave_date timestamp, come_reg varchar(20) COLLATE ci, leave_reg varchar(20) COLLATE ci,"
                   " id_movement serial PRIMARY KEY)"),
    QStringLiteral("INSERT INTO faculty VALUES (1, 'Факультет повышения квалификации', 'ФПК')"),
    QStringLiteral("INSERT INTO group_slushatel (id_faculty, name_short, name_full, srok_obuchenia, oplata)"
                   " VALUES (1, 'ПК-1', 'Повышение квалификации, поток 1', '2015-06-30 00:00:00', 12500.5)"),
    QStringLiteral("INSERT INTO s_fio (s_fio) VALUES ('Иванов Иван Иванович'), ('Ёлкина Мария Петровна'), ('Алексеев Дмитрий Юрьевич')"),
    QStringLiteral("INSERT INTO prikaz_come_slushatel (prikaz_come) VALUES ('О зачислении слушателей ФПК'), ('abc')"),
    QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, come_date, come_reg)"
                   " VALUES (1, 1, 1, '2014-09-01 00:00:00', '10-к'), (2, 1, 1, '2014-09-01 15:48:16', '11-к'),"
                   " (3, 1, 1, '2014-09-02 00:00:00', '12-к')"),
};

const QString Roster = QStringLiteral(
    "SELECT ROW_NUMBER() OVER (ORDER BY s.s_fio) AS Row, s.s_fio, m.* FROM movement_slushatel m"
    " JOIN s_fio s ON s.id_student = m.id_student WHERE m.id_group_slushatel = 1 ORDER BY s.s_fio");

const QString Refused = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

// The shared connection, with its engine on the test's server.
class PostgresConnection : public Connection
{
public:
    explicit PostgresConnection(QString odbc) : m_odbc(std::move(odbc))
    {
        setConnectionString(composeConnectionString({QString::fromLatin1(ThrowawayPostgres::SuperUser), QString(), QStringLiteral("postgres"), QStringLiteral("test")}));
    }

protected:
    std::unique_ptr<Engine> makeEngine(const ConnectionSettings &) const override { return std::make_unique<OdbcEngine>(m_odbc); }

private:
    QString m_odbc;
};

} // namespace

class TestOdbcEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<ThrowawayPostgres> server;
    std::unique_ptr<OdbcEngine> other; // another client, and the test's look at the tables

    QString stored(const QString &statement) { return other->select(statement).text(0, 0); }

private slots:
    void initTestCase()
    {
        server = std::make_unique<ThrowawayPostgres>();
        QVERIFY2(server->error().isEmpty(), qPrintable(server->error()));
        other = std::make_unique<OdbcEngine>(server->odbcConnectionString());
    }
    void init()
    {
        for (const QString &statement : Schema)
            other->execute(statement);
    }
    void cleanupTestCase()
    {
        other.reset();
        server.reset();
    }

    void readsEveryColumnTypeOfTheScreensForwardOnly_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QVariant>("firstValue");
        QTest::newRow("row number") << Roster << "row" << int(ColumnType::BigInt) << 0 << QVariant(1LL);
        QTest::newRow("name") << Roster << "s_fio" << int(ColumnType::Text) << 100 << QVariant(QStringLiteral("Алексеев Дмитрий Юрьевич"));
        QTest::newRow("key") << Roster << "id_student" << int(ColumnType::Integer) << 0 << QVariant(3LL);
        QTest::newRow("date") << Roster << "come_date" << int(ColumnType::DateTime) << 0 << QVariant(QDateTime(QDate(2014, 9, 2), QTime(0, 0)));
        QTest::newRow("null date") << Roster << "leave_date" << int(ColumnType::DateTime) << 0 << QVariant();
        QTest::newRow("order number") << Roster << "come_reg" << int(ColumnType::Text) << 20 << QVariant(QStringLiteral("12-к"));
        QTest::newRow("fee") << "SELECT * FROM group_slushatel WHERE id_faculty = 1" << "oplata" << int(ColumnType::Float) << 0 << QVariant(12500.5);
        QTest::newRow("term") << "SELECT * FROM group_slushatel WHERE id_faculty = 1" << "srok_obuchenia" << int(ColumnType::DateTime) << 0
                              << QVariant(QDateTime(QDate(2015, 6, 30), QTime(0, 0)));
        QTest::newRow("quoted name") << "SELECT * FROM faculty" << "p23-1" << int(ColumnType::Text) << 100
                                     << QVariant(QStringLiteral("Факультет повышения квалификации"));
    }
    void readsEveryColumnTypeOfTheScreensForwardOnly()
    {
        QFETCH(QString, statement);
        QFETCH(QString, column);
        QFETCH(int, type);
        QFETCH(int, maxLength);
        QFETCH(QVariant, firstValue);
        const RowSet rows = other->select(statement);
        const int index = rows.indexOf(column);
        QVERIFY(index >= 0);
        QCOMPARE(int(rows.columns()[index].type), type);
        QCOMPARE(rows.columns()[index].maxLength, maxLength);
        const QVariant value = rows.value(0, index);
        QCOMPARE(value.isNull(), firstValue.isNull());
        if (!firstValue.isNull())
            QCOMPARE(value.toString(), firstValue.toString());
    }

    // Through the queries the screens use: Cyrillic in and out, the new row
    // takes the key the database assigned, and an edit is written by key.
    void writesCyrillicBothWaysWithTheAssignedKey()
    {
        PostgresConnection connection(server->odbcConnectionString());
        Query orders(&connection, QStringLiteral("orders"));
        orders.setSql(QStringLiteral("SELECT * FROM prikaz_come_slushatel ORDER BY id_prikaz_come_slushatel"));
        orders.open();
        orders.append();
        orders.setValue(QStringLiteral("prikaz_come"), QStringLiteral("О переводе — «ёлка» №5"));
        orders.post();
        const qint64 key = orders.asInteger(QStringLiteral("id_prikaz_come_slushatel"));
        QCOMPARE(key, other->select(QStringLiteral("SELECT max(id_prikaz_come_slushatel) FROM prikaz_come_slushatel")).integer(0, 0));
        QCOMPARE(stored(QStringLiteral("SELECT prikaz_come FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = %1").arg(key)),
                 QStringLiteral("О переводе — «ёлка» №5"));

        orders.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Об отчислении"));
        orders.setCurrentRow(0);
        QCOMPARE(stored(QStringLiteral("SELECT prikaz_come FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = %1").arg(key)),
                 QStringLiteral("Об отчислении"));
        QCOMPARE(stored(QStringLiteral("SELECT count(*) FROM prikaz_come_slushatel")), QStringLiteral("3"));

        // The roster's rows join the names: written to the table named for them.
        Query roster(&connection, QStringLiteral("roster"));
        roster.setUniqueTable(QStringLiteral("movement_slushatel"));
        roster.setSql(Roster);
        roster.open();
        roster.setValue(QStringLiteral("leave_reg"), QStringLiteral("7-о"));
        roster.setValue(QStringLiteral("leave_date"), QDateTime(QDate(2015, 1, 20), QTime(9, 30)));
        roster.post();
        QCOMPARE(stored(QStringLiteral("SELECT leave_reg || ' ' || leave_date FROM movement_slushatel WHERE id_student = 3")),
                 QStringLiteral("7-о 2015-01-20 09:30:00"));
    }

    void neverWritesOverAnotherClientsChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("deleting"); // else: editing prikaz_come
        const QString caseOnly = QStringLiteral("UPDATE prikaz_come_slushatel SET prikaz_come = 'ABC' WHERE id_prikaz_come_slushatel = 2");
        const QString deleted = QStringLiteral("DELETE FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = 2");
        QTest::newRow("edit, letter case changed") << caseOnly << false;
        QTest::newRow("edit, row deleted") << deleted << false;
        QTest::newRow("delete, letter case changed") << caseOnly << true;
    }
    void neverWritesOverAnotherClientsChange()
    {
        QFETCH(QString, change);
        QFETCH(bool, deleting);
        PostgresConnection connection(server->odbcConnectionString());
        Query orders(&connection, QStringLiteral("orders"));
        orders.setSql(QStringLiteral("SELECT * FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = 2"));
        orders.open();
        other->execute(change);
        const QString left = stored(QStringLiteral("SELECT count(*) || ':' || string_agg(prikaz_come, '') FROM prikaz_come_slushatel"));
        if (deleting) {
            QCOMPARE(errorOf([&] { orders.deleteCurrent(); }), Refused);
        } else {
            orders.setValue(QStringLiteral("prikaz_come"), QStringLiteral("xyz"));
            QCOMPARE(errorOf([&] { orders.post(); }), Refused);
            QCOMPARE(orders.state(), Query::State::Edit);
        }
        QCOMPARE(stored(QStringLiteral("SELECT count(*) || ':' || string_agg(prikaz_come, '') FROM prikaz_come_slushatel")), left);
    }

    void aRefusedWriteLeavesTheDataUnchanged()
    {
        PostgresConnection connection(server->odbcConnectionString());
        Query roster(&connection, QStringLiteral("roster"));
        roster.setUniqueTable(QStringLiteral("movement_slushatel"));
        roster.setSql(Roster);
        roster.open();
        roster.setValue(QStringLiteral("come_reg"), QString(21, u'ж'));
        QVERIFY(errorOf([&] { roster.post(); }).contains(QStringLiteral("character varying(20)")));
        QCOMPARE(roster.state(), Query::State::Edit);
        roster.cancel();

        roster.append();
        roster.setValue(QStringLiteral("id_student"), 99); // no such student
        roster.setValue(QStringLiteral("id_group_slushatel"), 1);
        QVERIFY(!errorOf([&] { roster.post(); }).isEmpty());
        QCOMPARE(stored(QStringLiteral("SELECT count(*) || ':' || string_agg(come_reg, ',' ORDER BY come_reg) FROM movement_slushatel")),
                 QStringLiteral("3:10-к,11-к,12-к"));
    }
};

QTEST_GUILESS_MAIN(TestOdbcEngine)
#include "tst_odbcengine.moc"
