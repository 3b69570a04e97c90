// Reading a query's rows: columns by position or name, as text or integer,
// the naming of duplicate columns, exposed and lookup columns.
#include "DemoFixture.h"
#include "ForwardingEngine.h"

#include "data/Connection.h"
#include "engine/Error.h"
#include "data/BackgroundIndexes.h"
#include "data/Query.h"

#include <QTest>

using namespace qor;

namespace {

// The demo's engine, counting how often it is asked what a table is made of.
class CountingEngine : public ForwardingEngine
{
public:
    CountingEngine(std::unique_ptr<Engine> engine, int &lookups) : ForwardingEngine(std::move(engine)), m_lookups(lookups) {}

    QString primaryKey(const QString &table) override
    {
        ++m_lookups;
        return ForwardingEngine::primaryKey(table);
    }
    QStringList tableColumns(const QString &table) override
    {
        ++m_lookups;
        return ForwardingEngine::tableColumns(table);
    }

private:
    int &m_lookups;
};

// Counts over the engines it opens: the connection closes its engine when idle.
class CountingConnection : public Connection
{
public:
    mutable int lookups = 0;

protected:
    std::unique_ptr<Engine> makeEngine(const ConnectionSettings &settings) const override
    {
        return std::make_unique<CountingEngine>(Connection::makeEngine(settings), lookups);
    }
};

} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    Connection *connection = nullptr;


private slots:
    void init()
    {
        demo = new DemoFixture;
        connection = new Connection;
        connection->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
    }
    void cleanup()
    {
        delete connection;
        delete demo;
    }

    void namesDuplicateColumns_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("unique");
        QTest::newRow("distinct") << QStringList{"a", "b"} << QStringList{"a", "b"};
        QTest::newRow("repeated") << QStringList{"id", "x", "ID", "id"} << QStringList{"id", "x", "ID_1", "id_2"};
        QTest::newRow("nameless") << QStringList{"", "", "a"} << QStringList{"COLUMN1", "COLUMN2", "a"};
        QTest::newRow("free number taken") << QStringList{"a", "a_1", "a"} << QStringList{"a", "a_1", "a_2"};
    }
    void namesDuplicateColumns()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, unique);
        QCOMPARE(uniqueColumnNames(names), unique);
    }

    void readsByTheReplyRules()
    {
        Query q(connection, QStringLiteral("q"));
        q.setSql(QStringLiteral("SELECT NULL AS n, 'abc' AS t, ' 42' AS digits, 7 AS i, '' AS e, 2.5 AS f"));
        q.open();
        QCOMPARE(q.asString(0), QString());
        QCOMPARE(q.asInteger(0), 0);
        QCOMPARE(q.asString(1), QStringLiteral("abc"));
        QCOMPARE(errorOf([&] { q.asInteger(1); }), QStringLiteral("'abc' is not a valid integer value"));
        QCOMPARE(q.asInteger(2), 42);
        QCOMPARE(q.asString(3), QStringLiteral("7"));
        QCOMPARE(q.asInteger(QStringLiteral("I")), 7); // names without regard to case
        QCOMPARE(errorOf([&] { q.asInteger(4); }), QStringLiteral("'' is not a valid integer value"));
        QCOMPARE(q.asString(5), QStringLiteral("2.5"));
        QCOMPARE(errorOf([&] { q.asString(6); }), QStringLiteral("List index out of bounds (6)"));
        QCOMPARE(errorOf([&] { q.asString(QStringLiteral("nope")); }), QStringLiteral("q: Field 'nope' not found"));
    }

    void aResultWithoutRowsReadsAsNulls()
    {
        Query q(connection, QStringLiteral("q"));
        q.setSql(QStringLiteral("SELECT id_student, s_fio FROM s_fio WHERE 1 = 0"));
        q.open();
        QVERIFY(q.eof());
        QCOMPARE(q.asString(1), QString());
        QCOMPARE(q.asInteger(0), 0);
        QCOMPARE(errorOf([&] { q.asString(2); }), QStringLiteral("List index out of bounds (2)"));
    }

    void exposesFixedAndLookupColumns()
    {
        Query orders(connection, QStringLiteral("orders"));
        orders.setSql(QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_come_slushatel]"));
        orders.open();

        Query roster(connection, QStringLiteral("roster"));
        FieldDef come;
        come.name = QStringLiteral("Prikaz_come");
        come.lookupSource = &orders;
        come.keyField = QStringLiteral("id_prikaz_come_slushatel");
        come.lookupKeyField = QStringLiteral("id_prikaz_come_slushatel");
        come.lookupResultField = QStringLiteral("prikaz_come");
        roster.setFieldDefs({{.name = QStringLiteral("ROW"), .type = ColumnType::BigInt},
                             {.name = QStringLiteral("id_prikaz_come_slushatel"), .type = ColumnType::Integer}, come});
        roster.setSql(QStringLiteral("SELECT 1 AS Row, 3 AS id_prikaz_come_slushatel, 'x' AS hidden "
                                     "UNION ALL SELECT 2, 999, 'y' UNION ALL SELECT 3, NULL, 'z'"));
        roster.open();
        QCOMPARE(roster.fieldCount(), 3);
        QCOMPARE(roster.fieldIndex(QStringLiteral("hidden")), -1);
        QCOMPARE(roster.asInteger(0), 1);
        QCOMPARE(roster.asString(2), QStringLiteral("О зачислении на подготовительное отделение"));
        roster.next();
        QCOMPARE(roster.asString(2), QString()); // key not among the orders
        roster.next();
        QCOMPARE(roster.asString(2), QString()); // null key
    }

    // An edited row goes to the table its columns come from, whatever texts
    // the statement holds; rows of several tables need the table named.
    void writesToTheTableTheRowsComeFrom_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("uniqueTable");
        QTest::addColumn<QString>("error"); // empty: written to prikaz_come_slushatel
        QTest::newRow("plain") << "Select * FROM [QOR].[dbo].[prikaz_come_slushatel]" << "" << "";
        QTest::newRow("FROM in a literal") << "SELECT 'x FROM qor_login' AS note, * FROM prikaz_come_slushatel" << "" << "";
        QTest::newRow("FROM in a comment") << "SELECT /* FROM s_fio */ * FROM prikaz_come_slushatel" << "" << "";
        QTest::newRow("FROM in a bracketed name") << "SELECT prikaz_come AS [a FROM s_fio], * FROM prikaz_come_slushatel" << "" << "";
        QTest::newRow("two tables, one named")
            << "SELECT s.s_fio, p.* FROM s_fio s, prikaz_come_slushatel p WHERE s.id_student = 1" << "prikaz_come_slushatel" << "";
        QTest::newRow("two tables, none named")
            << "SELECT s.s_fio, p.* FROM s_fio s, prikaz_come_slushatel p WHERE s.id_student = 1" << ""
            << "q: the rows cannot be changed: they come from several tables (prikaz_come_slushatel, s_fio)";
        QTest::newRow("no table") << "SELECT 1 AS id_prikaz_come_slushatel, 'x' AS prikaz_come" << ""
            << "q: the rows cannot be changed: the result names no table they come from";
    }
    void writesToTheTableTheRowsComeFrom()
    {
        QFETCH(QString, statement);
        QFETCH(QString, uniqueTable);
        QFETCH(QString, error);
        Query q(connection, QStringLiteral("q"));
        q.setUniqueTable(uniqueTable);
        q.setSql(statement);
        q.open();
        const QString key = q.asString(QStringLiteral("id_prikaz_come_slushatel"));
        q.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Изменён"));
        QCOMPARE(errorOf([&] { q.post(); }), error);
        const RowSet stored = demo->owner()->select(
            QStringLiteral("SELECT prikaz_come FROM prikaz_come_slushatel WHERE id_prikaz_come_slushatel = 0%1").arg(key));
        QCOMPARE(stored.text(0, 0) == u"Изменён", error.isEmpty());
    }

    // Where rows are written is asked of the engine once per opening, not at every write.
    void looksUpTheWriteTargetOncePerOpening()
    {
        CountingConnection counting;
        counting.setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        Query q(&counting, QStringLiteral("q"));
        q.setSql(QStringLiteral("SELECT * FROM prikaz_come_slushatel"));
        q.open();
        q.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Первый"));
        q.post();
        const int perOpening = counting.lookups;
        QVERIFY(perOpening > 0);
        q.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Второй"));
        q.post();
        q.append();
        q.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Новый"));
        q.post();
        q.deleteCurrent();
        QCOMPARE(counting.lookups, perOpening);
        q.close();
        q.open();
        q.setValue(QStringLiteral("prikaz_come"), QStringLiteral("Третий"));
        q.post();
        QCOMPARE(counting.lookups, 2 * perOpening);
    }

    void writesSeveralRowsOnlyAsTheyWereRead()
    {
        Query roster(connection, QStringLiteral("roster"));
        roster.setSql(QStringLiteral("SELECT * FROM movement_slushatel WHERE id_group_slushatel = 1 ORDER BY id_movement"));
        roster.open();
        QVERIFY(roster.rowCount() >= 3);
        const auto regsOf = [&] {
            Query check(connection, QStringLiteral("check"));
            check.setSql(roster.sql());
            check.open();
            QStringList regs;
            for (int row = 0; row < check.rowCount(); ++row)
                regs << check.valueAt(row, check.fieldIndex(QStringLiteral("leave_reg"))).toString();
            return regs;
        };
        const QStringList before = regsOf();
        const QStringList columns{QStringLiteral("leave_reg")};

        // Another client changes the third row after it was read: nothing is written.
        const QVariant third = roster.valueAt(2, roster.fieldIndex(QStringLiteral("id_movement")));
        demo->owner()->execute(QStringLiteral("UPDATE movement_slushatel SET come_reg = 'чужой' WHERE id_movement = %1").arg(third.toInt()));
        QCOMPARE(errorOf([&] { connection->inTransaction([&](Engine &) { roster.updateRowsAsRead({0, 1, 2}, columns, {QStringLiteral("1-о")}); }); }),
                 Query::rowChangedText());
        QCOMPARE(regsOf(), before);

        connection->inTransaction([&](Engine &) { roster.updateRowsAsRead({0, 1}, columns, {QStringLiteral("1-о")}); });
        const QStringList after = regsOf();
        QCOMPARE(after.mid(0, 2), (QStringList{QStringLiteral("1-о"), QStringLiteral("1-о")}));
        QCOMPARE(after.mid(2), before.mid(2));
    }
    // A long list is searched at once: by reading its rows while its indexes
    // are made on another thread, and through them afterwards; both answer alike.
    void aLongListAnswersAlikeBeforeAndAfterItsIndexes()
    {
        const QStringList surnames{"Ёлкин", "елисеев", "ИВАНОВ", "Иванова", "Petrov", "Жуков"};
        RowSet rows({{QStringLiteral("id"), ColumnType::Integer}, {QStringLiteral("name"), ColumnType::Text}});
        for (int i = 0; i < 30000; ++i) {
            const int row = rows.appendRow();
            rows.setInteger(row, 0, (qint64(i) * 7919) % 30011); // keys out of order: a hash is made
            const QByteArray name = (surnames[i % surnames.size()] + u' ' + QString::number(i)).toUtf8();
            rows.setText(row, 1, name.constData(), name.size());
        }
        BackgroundIndexes made(rows, 1, 0);
        QTRY_VERIFY_WITH_TIMEOUT(made.isDone(), 30000);
        const PrefixIndex prefixes = made.takePrefixIndex();
        const KeyIndex keys = made.takeKeyIndex();
        for (const QString &typed : {"ёл", "ЕЛ", "иванов", "Иванова 1", "p", "жуков 2999", "Ж", "x", ""}) {
            const int scanned = PrefixIndex::firstRowWithPrefix(rows, 1, typed);
            QCOMPARE(prefixes.firstRowWithPrefix(typed), scanned);
            QCOMPARE(PrefixIndex(rows, 1).firstRowWithPrefix(typed), scanned);
        }
        for (const qint64 key : {qint64(0), qint64(7919), qint64(30010), qint64(-1), qint64(40000)})
            QCOMPARE(keys.rowOf(rows, key), KeyIndex::rowOf(rows, 0, key));

        // Stopped as soon as it starts, as when the rows are read again: it
        // ends without waiting for the work and leaves nothing made.
        auto stopped = std::make_unique<BackgroundIndexes>(rows, 1, 0);
        stopped.reset();
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
