// qor-admin as an administrator runs it: exit status, refusals, nothing half-written.
#include "embedded/SqliteEngine.h"
#include "engine/RowSet.h"
#include "signin/SettingsRecord.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestAdmin : public QObject
{
    Q_OBJECT

    static int run(const QStringList &args, QString *errors = nullptr, QString *output = nullptr)
    {
        QProcess process;
        process.start(qEnvironmentVariable("QOR_TEST_BIN") + QStringLiteral("/qor-admin"), args);
        if (!process.waitForFinished(60000))
            return -1;
        if (errors)
            *errors = QString::fromUtf8(process.readAllStandardError());
        if (output)
            *output = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitCode();
    }

private slots:
    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("missing option") << QStringList{"settings", "f", "--user", "u"};
        QTest::newRow("text too long for the record") << QStringList{"settings", "f", "--user", QString(21, u'u'), "--password", "p", "--server", "s", "--database", "d"};
        QTest::newRow("not a number") << QStringList{"min-client", "db", "twelve"};
        QTest::newRow("unknown option") << QStringList{"demo", "d", "--forse"};
    }
    void refusesBadArguments()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        QString errors;
        QCOMPARE(run(args, &errors), 2);
        QVERIFY(errors.startsWith(QStringLiteral("qor-admin: ")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("f"))));
    }

    // The help says what an embedded database protects and what it does not.
    void helpTellsTheTrustModel()
    {
        QString output;
        QCOMPARE(run({"--help"}, nullptr, &output), 0);
        QVERIFY(output.contains(QStringLiteral("usage:")));
        QVERIFY2(output.contains(QStringLiteral("does not protect")), qPrintable(output));
        QVERIFY(output.contains(QStringLiteral("SQL Server")));
    }

    void writesSettingsThatReadBack()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("QOR"));
        QCOMPARE(run({"settings", file, "--user", "qor_gate", "--password", "Пароль;=1", "--server", "db01,1433", "--database", "QOR"}), 0);
        const qor::TFirstConnectInfo info = qor::readSettingsRecord(file);
        QCOMPARE(info.userName, QStringLiteral("qor_gate"));
        QCOMPARE(info.password, QStringLiteral("Пароль;=1"));
        QCOMPARE(info.serverName, QStringLiteral("db01,1433"));
        QCOMPARE(info.databaseName, QStringLiteral("QOR"));
    }

    void neverOverwritesADatabaseWithoutForce()
    {
        QTemporaryDir dir;
        QCOMPARE(run({"demo", dir.path()}), 0);
        const QString settings = dir.filePath(QStringLiteral("Data/QOR"));
        const QByteArray before = [&] { QFile f(settings); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        QString errors;
        QCOMPARE(run({"demo", dir.path()}, &errors), 1);
        QVERIFY(errors.contains(QStringLiteral("--force")));
        QFile f(settings);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();
        QCOMPARE(run({"demo", dir.path(), "--force"}), 0);
        QCOMPARE(run({"user", "add", dir.filePath(QStringLiteral("Data/QOR.db")), "demo", "x"}), 1); // exists already
        QCOMPARE(run({"user", "lock", dir.filePath(QStringLiteral("Data/QOR.db")), "nobody"}), 1);
        QCOMPARE(run({"upgrade", dir.filePath(QStringLiteral("Data/QOR.db"))}), 0); // nothing left to hash
        QCOMPARE(run({"user", "add", dir.filePath(QStringLiteral("Data/missing.db")), "x", "y"}), 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Data/missing.db"))));
    }

    // A replacement that cannot be finished leaves the database that was there.
    void failedReplacementKeepsTheOldDatabase()
    {
        QTemporaryDir dir;
        QCOMPARE(run({"demo", dir.path()}), 0);
        const QString database = dir.filePath(QStringLiteral("Data/QOR.db"));
        QCOMPARE(run({"user", "add", database, "keeper", "keeper1"}), 0);
        // The settings, written last, cannot be where a folder stands.
        const QString settings = dir.filePath(QStringLiteral("Data/QOR"));
        QVERIFY(QFile::remove(settings));
        QVERIFY(QDir().mkpath(settings + QStringLiteral("/in the way")));
        QString errors;
        QCOMPARE(run({"demo", dir.path(), "--force"}, &errors), 1);
        QVERIFY2(errors.contains(settings), qPrintable(errors));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("Data"))).entryList(QDir::Files), QStringList{"QOR.db"});
        const auto db = qor::SqliteEngine::openAsOwner(database);
        QCOMPARE(db->select(QStringLiteral("SELECT count(*) FROM qor_user WHERE login = 'keeper'")).integer(0, 0), 1);
    }
};

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
