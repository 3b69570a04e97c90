#include "PostgresPick.h"

#include "ClientScreens.h"
#include "RawEngine.h"
#include "Samples.h"

#include "app/Application.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "data/Statements.h"
#include "embedded/SqliteEngine.h"
#include "embedded/TsqlDialect.h"
#include "engine/Error.h"
#include "postgres/PgDialect.h"
#include "postgres/PostgresEngine.h"
#include "tools/BenchmarkData.h"
#include "tools/ServerAdmin.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <cstdio>
#include <string>

using namespace qor;

namespace {

// The least the pick's statements cost on the server: libpq runs them as the
// client's engine sends them, and every cell's text is copied, as the client
// must, into one reused buffer. Nothing is converted or painted.
class PostgresRaw
{
public:
    PostgresRaw(const PostgresServer &server, const QString &database, const QString &user, const QString &password)
    {
        const QByteArray info =
            QStringLiteral("host='%1' port=%2 dbname='%3' user='%4' password='%5' client_encoding=UTF8")
                .arg(server.host)
                .arg(server.port)
                .arg(database, user, password)
                .toUtf8();
        m_connection = PQconnectdb(info.constData());
        if (PQstatus(m_connection) != CONNECTION_OK)
            throw Error(QString::fromUtf8(PQerrorMessage(m_connection)));
    }
    ~PostgresRaw() { PQfinish(m_connection); }

    void step(const QByteArray &sql)
    {
        PGresult *result = PQexecParams(m_connection, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            const QString error = QString::fromUtf8(PQresultErrorMessage(result));
            PQclear(result);
            throw Error(error);
        }
        m_texts.clear();
        const int rows = PQntuples(result), columns = PQnfields(result);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                if (!PQgetisnull(result, row, column))
                    m_texts.append(PQgetvalue(result, row, column), size_t(PQgetlength(result, row, column)));
            }
        }
        PQclear(result);
    }

private:
    PGconn *m_connection = nullptr;
    std::string m_texts;
};

QVariant groupOf(int i, int groups)
{
    return 1 + (i * 37) % groups;
}

QByteArray forPostgres(const QString &statement)
{
    return pg::translate(statement).text.toUtf8();
}

void printRow(const char *what, const Samples &ours, const char *baseline, const Samples &raw)
{
    std::printf("| %s | %.2f / %.2f | %s %.2f / %.2f | x%.2f / x%.2f |\n", what, ours.best(), ours.median(), baseline,
                raw.best(), raw.median(), ours.best() / raw.best(), ours.median() / raw.median());
}

struct Options
{
    admin::ServerAdministrator admin;
    int students = 200000;
    int repeat = 15;
};

Options optionsOf(const BenchFlags &flags)
{
    Options options;
    options.admin.server = flags.server;
    options.admin.user = flags.adminUser;
    options.admin.password = flags.adminPassword;
    options.students = flags.sizes.value(0, options.students);
    options.repeat = flags.repeat;
    if (!postgresServer(options.admin.server))
        throw Error(QStringLiteral("qor-bench --postgres: \"%1\" is no server, pg:HOST,PORT").arg(options.admin.server));
    return options;
}

// The server's database for the size, made when it is missing; how long that took.
QString ensureServerDatabase(const Options &options, const QString &database, const admin::BenchmarkSize &size)
{
    PostgresEngine maintenance(*postgresServer(options.admin.server), QStringLiteral("postgres"), options.admin.user,
                               options.admin.password);
    if (maintenance.query(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = $1"), {database}).rowCount() > 0)
        return QStringLiteral("kept from an earlier run");
    QElapsedTimer made;
    made.start();
    admin::createServerBenchmarkDatabase(options.admin, database, size);
    PostgresEngine(*postgresServer(options.admin.server), database, options.admin.user, options.admin.password)
        .runScript(QStringLiteral("VACUUM ANALYZE"));
    return QStringLiteral("made in %1 s").arg(made.elapsed() / 1000.0, 0, 'f', 0);
}

} // namespace

int postgresPick(const BenchFlags &flags)
{
    try {
        const Options options = optionsOf(flags);
        registerWindowsFonts();
        useRussianWithoutSystemLocale();
        const admin::BenchmarkSize size = admin::officeOfStudents(options.students);
        const QString database = QStringLiteral("qor_bench_%1").arg(size.students);
        const PostgresServer server = *postgresServer(options.admin.server);
        const QString serverMade = ensureServerDatabase(options, database, size);
        const RowSet login = PostgresEngine(server, database, options.admin.user, options.admin.password)
                                 .query(QStringLiteral("SELECT l.name, l.password FROM qor_login l JOIN qor_user u "
                                                       "ON u.db_login = l.name WHERE u.login = 'demo'"));

        QTemporaryDir dir;
        const QString data = dir.path() + QStringLiteral("/Data");
        const QString file = data + QStringLiteral("/QOR.db");
        QDir().mkpath(data);
        admin::createBenchmarkDatabase(file, size);
        setDataFolder(data);
        const RowSet embeddedLogin = SqliteEngine::openAsOwner(file)->select(
            QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));

        std::printf("\n### Group pick on PostgreSQL: %d students, %d groups, %d roster rows (server's database %s)\n\n",
                    size.students, size.groups, admin::rosterRowCount(size), qPrintable(serverMade));
        std::printf(
            "| ms, best / median | ours | least the statements cost | ours : least, best / median |\n|---|---|---|---|\n");

        // Each engine's pick and its least, interleaved; the engines one after
        // the other, since the client's windows are one program's.
        Samples oursPostgres, rawPostgres, oursEmbedded, rawEmbedded;
        {
            ClientScreens ours(
                composeConnectionString({login.text(0, 0), login.text(0, 1), database, options.admin.server}));
            PostgresRaw raw(server, database, login.text(0, 0), login.text(0, 1));
            for (int i = -1; i < options.repeat; ++i) { // the first round warms the caches and is not counted
                const QVariant group = groupOf(i + 1, size.groups);
                Samples skip;
                timeOnce(i < 0 ? skip : oursPostgres, [&] { ours.pickGroup(group); });
                timeOnce(i < 0 ? skip : rawPostgres, [&] {
                    raw.step(forPostgres(statements::students()));
                    raw.step(forPostgres(statements::rosterOfGroup(group)));
                });
            }
        }
        {
            ClientScreens ours(
                composeConnectionString({embeddedLogin.text(0, 0), embeddedLogin.text(0, 1), QStringLiteral("QOR"),
                                         QString::fromLatin1(EmbeddedDataSource)}));
            RawEngine raw(file);
            for (int i = -1; i < options.repeat; ++i) {
                const QVariant group = groupOf(i + 1, size.groups);
                Samples skip;
                timeOnce(i < 0 ? skip : oursEmbedded, [&] { ours.pickGroup(group); });
                timeOnce(i < 0 ? skip : rawEmbedded, [&] {
                    raw.step(tsql::stripQualifiers(statements::students()));
                    raw.step(tsql::stripQualifiers(statements::rosterOfGroup(group)));
                });
            }
        }
        printRow("group pick, to idle, on PostgreSQL", oursPostgres, "libpq:", rawPostgres);
        printRow("group pick, to idle, on the embedded engine", oursEmbedded, "SQLite:", rawEmbedded);
        setDataFolder(QString());
    } catch (const Error &e) {
        std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
