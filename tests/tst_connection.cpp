// The shared connection: its string, engine choice, logins, permissions and
// the rule that it closes whenever none of its queries is open.
#include "DemoFixture.h"

#include "data/Connection.h"
#include "engine/Error.h"
#include "data/OdbcEngine.h"
#include "data/Query.h"

#include <QSignalSpy>
#include <QTest>

using namespace qor;

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void composesTheTemplateLetterForLetter()
    {
        QCOMPARE(composeConnectionString({QStringLiteral("gate"), QStringLiteral("s3cret"), QStringLiteral("QOR"), QStringLiteral("srv01")}),
                 QStringLiteral("Provider=SQLOLEDB.1;Password=s3cret;Persist Security Info=True;User ID=gate;"
                                "Initial Catalog=QOR;Data Source=srv01;Use Procedure for Prepare=1;Auto Translate=True;"
                                "Packet Size=4096;Use Encryption for Data=False;Tag with column collation when possible=False"));
    }

    void parsesWhatItComposes_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("source");
        QTest::newRow("plain") << "demo" << "demo123" << "(embedded)";
        QTest::newRow("separators in password") << "demo" << "a;b=c;Data Source=x" << "host,1433";
        QTest::newRow("empty user and password") << "" << "" << "host\\SQLEXPRESS";
        QTest::newRow("cyrillic") << "Иванов" << "пароль" << "srv";
    }
    void parsesWhatItComposes()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, source);
        const ConnectionSettings parsed = parseConnectionString(composeConnectionString({user, password, QStringLiteral("QOR"), source}));
        QCOMPARE(parsed.userName, user);
        QCOMPARE(parsed.password, password);
        QCOMPARE(parsed.catalog, QStringLiteral("QOR"));
        QCOMPARE(parsed.dataSource, source);
        QVERIFY_THROWS_EXCEPTION(Error, parseConnectionString(QStringLiteral("Driver=x")));
    }

    void closesWhenNoQueryIsOpen()
    {
        DemoFixture demo;
        Connection connection;
        connection.setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        Query a(&connection, QStringLiteral("a")), b(&connection, QStringLiteral("b"));
        a.setSql(QStringLiteral("Select * FROM [QOR].[dbo].[s_fio]"));
        b.setSql(QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_come_slushatel]"));

        QVERIFY(!connection.isConnected());
        a.open();
        QVERIFY(connection.isConnected());
        b.open();
        a.close();
        QVERIFY(connection.isConnected()); // b is still open
        b.close();
        QVERIFY(!connection.isConnected());

        // Reopens with the same string when a query opens again.
        a.open();
        QVERIFY(connection.isConnected());
        QVERIFY(a.rowCount() > 0);
        a.close();

        // A statement run while no query is open opens and closes again;
        // one run while a query is open leaves it open.
        QSignalSpy changes(&connection, &Connection::connectedChanged);
        connection.execute(QStringLiteral("SET DATEFORMAT dmy"));
        QCOMPARE(changes.count(), 2);
        QVERIFY(!connection.isConnected());
        b.open();
        connection.execute(QStringLiteral("SET DATEFORMAT dmy"));
        QVERIFY(connection.isConnected());
        b.close();

        // Opened explicitly, it stays open until a query closes.
        connection.open();
        QVERIFY(connection.isConnected());
        QVERIFY_THROWS_EXCEPTION(Error, connection.setConnectionString(QString()));
        connection.close();
        QVERIFY(!connection.isConnected());
    }

    void failedOpenLeavesQueryAndConnectionClosed()
    {
        DemoFixture demo;
        Connection connection;
        connection.setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        Query query(&connection, QStringLiteral("q"));
        query.setSql(QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty="));
        QVERIFY_THROWS_EXCEPTION(Error, query.open());
        QVERIFY(!query.isOpen());
        QVERIFY(!connection.isConnected());
    }

    void checksLoginsAndPermissions_data()
    {
        QTest::addColumn<QString>("who");      // gate, demo, wrong
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");    // empty: runs
        const QString getUser = QStringLiteral("EXEC GET_USER 'demo','X',NULL, 'QOR 12', '1.2.3.4', 'PC', 'demo','0','4'");
        const QString denied = QStringLiteral("The user does not have permission to perform this action.");
        QTest::newRow("gate runs GET_USER") << "gate" << getUser << "";
        QTest::newRow("gate reads no table") << "gate" << "Select * FROM [QOR].[dbo].[s_fio]" << denied;
        QTest::newRow("gate writes no table") << "gate" << "DELETE FROM s_fio" << denied;
        QTest::newRow("user reads data") << "demo" << "Select * FROM [QOR].[dbo].[s_fio]" << "";
        QTest::newRow("user cannot read sign-in tables") << "demo" << "SELECT * FROM qor_user" << denied;
        QTest::newRow("user cannot change the schema") << "demo" << "DROP TABLE s_fio" << denied;
        QTest::newRow("user cannot run GET_USER") << "demo" << getUser
            << "The EXECUTE permission was denied on the object 'GET_USER', database 'QOR', schema 'dbo'.";
        QTest::newRow("user counts and numbers rows") << "demo" << "SELECT count(*), max(id_student), ROW_NUMBER() OVER(ORDER BY s_fio) FROM s_fio" << "";
        QTest::newRow("user reads no library address") << "demo" << "SELECT fts3_tokenizer('simple')" << denied;
        QTest::newRow("user cannot make huge blobs") << "demo" << "SELECT zeroblob(1000000000)" << denied;
        QTest::newRow("user cannot read key counters") << "demo" << "SELECT * FROM sqlite_sequence" << denied;
        QTest::newRow("user cannot rewrite key counters") << "demo" << "UPDATE sqlite_sequence SET seq = 0 WHERE name = 'qor_user'" << denied;
        QTest::newRow("user cannot list sign-in columns") << "demo" << "PRAGMA table_info(qor_login)" << denied;
        QTest::newRow("user cannot read the schema") << "demo" << "SELECT sql FROM sqlite_master" << denied;
        QTest::newRow("wrong password") << "wrong" << "SELECT 1" << "Login failed for user 'demo'.";
    }
    void checksLoginsAndPermissions()
    {
        QFETCH(QString, who);
        QFETCH(QString, statement);
        QFETCH(QString, error);
        DemoFixture demo;
        Connection connection;
        connection.setConnectionString(who == u"gate" ? demo.gateConnectionString()
                                       : who == u"demo" ? demo.workingConnectionString(QStringLiteral("demo"))
                                                        : DemoFixture::connectionString(QStringLiteral("demo"), QStringLiteral("nope")));
        Query query(&connection, QStringLiteral("q"));
        query.setSql(statement);
        try {
            query.open();
            QVERIFY2(error.isEmpty(), "ran although it should have failed");
        } catch (const Error &e) {
            QCOMPARE(e.text(), error);
        }
    }

    void twoClientsShareOneFile()
    {
        DemoFixture demo;
        Connection writer, reader;
        writer.setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        reader.setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        // Straight on the engine: the connection's own execute would close it, ending the transaction.
        writer.engine().execute(QStringLiteral("BEGIN IMMEDIATE"));
        writer.engine().execute(QStringLiteral("UPDATE s_fio SET s_fio = 'Новое имя' WHERE id_student = 1"));
        // While one client writes, another reads what was last committed.
        Query read(&reader, QStringLiteral("read"));
        read.setSql(QStringLiteral("SELECT s_fio FROM s_fio WHERE id_student = 1"));
        read.open();
        QCOMPARE(read.asString(0), QStringLiteral("Иванов Иван Иванович"));
        read.close();
        writer.engine().execute(QStringLiteral("COMMIT"));
        read.open();
        QCOMPARE(read.asString(0), QStringLiteral("Новое имя"));
    }

    void aTransactionKeepsAllOrNothing()
    {
        DemoFixture demo;
        Connection connection;
        connection.setConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        const auto nameOf = [&](int student) {
            return demo.owner()->select(QStringLiteral("SELECT s_fio FROM s_fio WHERE id_student = %1").arg(student)).text(0, 0);
        };
        const QString before = nameOf(1);
        const auto renameBoth = [](Engine &db, const QString &second) {
            db.execute(QStringLiteral("UPDATE s_fio SET s_fio = 'Первое' WHERE id_student = 1"));
            db.execute(QStringLiteral("UPDATE s_fio SET s_fio = '%1' WHERE id_student = 2").arg(second));
        };

        // The second write is refused: the first is undone, the error goes on.
        const QString refused = errorOf([&] { connection.inTransaction([&](Engine &db) { renameBoth(db, QString(101, u'я')); }); });
        QCOMPARE(refused, QStringLiteral("String or binary data would be truncated."));
        QCOMPARE(nameOf(1), before);
        QVERIFY(!connection.isConnected());

        // A failure of the caller's own undoes the writes as well.
        QCOMPARE(errorOf([&] {
                     connection.inTransaction([&](Engine &db) {
                         renameBoth(db, QStringLiteral("Второе"));
                         throw Error(QStringLiteral("Отменено"));
                     });
                 }),
                 QStringLiteral("Отменено"));
        QCOMPARE(nameOf(1), before);

        connection.inTransaction([&](Engine &db) { renameBoth(db, QStringLiteral("Второе")); });
        QCOMPARE(nameOf(1), QStringLiteral("Первое"));
        QCOMPARE(nameOf(2), QStringLiteral("Второе"));
        QVERIFY(!connection.isConnected());
    }

    void reachesASqlServerThroughOdbc_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("odbc");
        QTest::newRow("host") << "db01" << "DRIVER={FreeTDS};SERVER=db01;DATABASE=QOR;UID={gate};PWD={p;w}}d};ClientCharset=UTF-8;";
        QTest::newRow("host,port") << "db01,1433" << "DRIVER={FreeTDS};SERVER=db01;PORT=1433;DATABASE=QOR;UID={gate};PWD={p;w}}d};ClientCharset=UTF-8;";
        QTest::newRow("host\\instance") << "db01\\SQLEXPRESS" << "DRIVER={FreeTDS};SERVER=db01\\SQLEXPRESS;DATABASE=QOR;UID={gate};PWD={p;w}}d};ClientCharset=UTF-8;";
    }
    void reachesASqlServerThroughOdbc()
    {
        QFETCH(QString, source);
        QFETCH(QString, odbc);
        QCOMPARE(OdbcEngine::odbcConnectionString({QStringLiteral("gate"), QStringLiteral("p;w}d"), QStringLiteral("QOR"), source}), odbc);
    }

    void aRefusedServerIsTheDriversError()
    {
        // Nothing listens on port 1 here: the driver refuses at once.
        Connection connection;
        connection.setConnectionString(composeConnectionString({QStringLiteral("gate"), QStringLiteral("x"), QStringLiteral("QOR"), QStringLiteral("127.0.0.1,1")}));
        try {
            connection.open();
            QFAIL("connected to nothing");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(QStringLiteral("Unable to connect")), qPrintable(e.text()));
        }
        QVERIFY(!connection.isConnected());
    }

    // The database name of the settings names a file in Data, never a path.
    void refusesADatabaseNameThatIsAPath_data()
    {
        QTest::addColumn<QString>("catalog");
        QTest::newRow("up and back") << "../Data/QOR";
        QTest::newRow("far up") << "../../../D/Data/QOR";
        QTest::newRow("absolute") << "/tmp/QOR";
        QTest::newRow("backslash") << "..\\Data\\QOR";
        QTest::newRow("parent") << "..";
        QTest::newRow("empty") << "";
        QTest::newRow("line break") << "QOR\n";
    }
    void refusesADatabaseNameThatIsAPath()
    {
        QFETCH(QString, catalog);
        DemoFixture demo;
        Connection connection;
        const ConnectionSettings demoLogin = parseConnectionString(demo.workingConnectionString(QStringLiteral("demo")));
        connection.setConnectionString(composeConnectionString({demoLogin.userName, demoLogin.password, catalog, QStringLiteral("(embedded)")}));
        QCOMPARE(errorOf([&] { connection.open(); }),
                 QStringLiteral("Invalid database name '%1': the embedded database is named plainly "
                                "(letters, digits, _ - $ # @), without a folder.").arg(catalog));
        QVERIFY(!connection.isConnected());
    }

    void missingDatabaseFileIsAClearError()
    {
        DemoFixture demo;
        Connection connection;
        connection.setConnectionString(composeConnectionString({QStringLiteral("demo"), QStringLiteral("x"), QStringLiteral("Nowhere"), QStringLiteral("(embedded)")}));
        try {
            connection.open();
            QFAIL("opened a database that does not exist");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(QStringLiteral("Nowhere.db")) && e.text().contains(QStringLiteral("does not exist")), qPrintable(e.text()));
        }
        QVERIFY(!QFile::exists(demo.dir.path() + QStringLiteral("/Data/Nowhere.db")));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
