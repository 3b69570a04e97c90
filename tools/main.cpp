// qor-admin: creates embedded QOR databases, users, settings files and demo data.
#include "data/DataFolder.h"
#include "engine/Error.h"
#include "postgres/PostgresEngine.h"
#include "tools/AdminCommands.h"
#include "tools/ServerAdmin.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

constexpr int BadArguments = 2;

const char *const Usage =
    "usage:\n"
    "  qor-admin --help\n"
    "  qor-admin demo DIR [--force] [SERVER OPTIONS]\n"
    "      DIR/Data/QOR (settings) and DIR/Data/QOR.db with demo data and the users\n"
    "      demo/demo123, novice/novice1 (must change the password) and expiring/expire1;\n"
    "      with SERVER OPTIONS the database QOR on that PostgreSQL server instead of QOR.db\n"
    "  qor-admin create DB --gate-user NAME --gate-password PASSWORD\n"
    "  qor-admin settings FILE --user NAME --password PASSWORD --server SERVER --database NAME\n"
    "      SERVER is (embedded), a PostgreSQL server pg:host,port (or pg:host, port 5432)\n"
    "      or a SQL Server host: host, host,port or host\\instance\n"
    "  qor-admin user add DB LOGIN PASSWORD [--must-change] [--expires-in DAYS] [SERVER OPTIONS]\n"
    "  qor-admin user passwd DB LOGIN PASSWORD [SERVER OPTIONS]\n"
    "  qor-admin user lock DB LOGIN [SERVER OPTIONS]\n"
    "  qor-admin user unlock DB LOGIN [SERVER OPTIONS]\n"
    "  qor-admin min-client DB N [SERVER OPTIONS]\n"
    "  qor-admin upgrade DB\n"
    "      hashes the bare MD5 digests an older qor-admin kept for passwords\n"
    "  qor-admin import DB FILE [--dry-run] [--namesakes]\n"
    "      students from FILE (.xlsx, .ods or .csv, its first sheet) as the client's import\n"
    "      window adds them; nothing is written when any row is refused, nor with --dry-run\n"
    "DB is an embedded database file, or with SERVER OPTIONS a database on that server.\n"
    "SERVER OPTIONS: --server pg:HOST,PORT --admin-user USER [--admin-password PASSWORD]\n"
    "      a PostgreSQL server and one of its administrators (see server/postgresql/README.md)\n"
    "A value that starts with '-' goes after '--', which ends the options.\n";

// What an embedded database protects, for whoever sets one up.
const char *const TrustNote =
    "\n"
    "An embedded database is one file that every computer running the client\n"
    "must be able to write. It does not protect its data from those people: with\n"
    "the sqlite3 shell anyone who can run the client can read or change any table,\n"
    "reset a lock, delete sign-in log rows, or read the working logins' passwords,\n"
    "kept as they are because the client must be handed them. The lock after five\n"
    "wrong passwords and the sign-in log only record honest use. What a copy of the\n"
    "file does not give away quickly is the users' passwords: each is kept as a\n"
    "salted Argon2id hash (one guess costs about 30 ms of a core and 19 MiB).\n"
    "An office that needs access control uses a server, PostgreSQL\n"
    "(server/postgresql/README.md) or SQL Server (server/README.md), where the gate\n"
    "and working logins are real server logins.\n";

struct BadUsage
{
    QString text;
};

// One command's arguments, read by QCommandLineParser: its --options and a
// fixed number of positional arguments. An unknown option, a missing value
// or a wrong count is bad usage.
class Arguments
{
public:
    Arguments(const QStringList &args, const QStringList &flags, const QStringList &valued, int positionalCount)
    {
        for (const QString &flag : flags)
            m_parser.addOption(QCommandLineOption(flag));
        for (const QString &option : valued)
            m_parser.addOption(QCommandLineOption(option, QString(), QStringLiteral("value")));
        // The parser skips the first argument as the program's name.
        if (!m_parser.parse(QStringList{QStringLiteral("qor-admin")} + args))
            throw BadUsage{m_parser.errorText()};
        if (m_parser.positionalArguments().size() != positionalCount)
            throw BadUsage{QStringLiteral("wrong number of arguments")};
    }
    QString at(int i) const { return m_parser.positionalArguments().value(i); }
    bool has(const QString &option) const { return m_parser.isSet(option); }
    QString required(const QString &option) const
    {
        if (!has(option))
            throw BadUsage{QStringLiteral("--%1 is required").arg(option)};
        return m_parser.value(option);
    }
    static int number(const QString &text)
    {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            throw BadUsage{QStringLiteral("'%1' is not a whole number").arg(text)};
        return value;
    }

    // The PostgreSQL server the command works on, when --server names one.
    std::optional<qor::admin::ServerAdministrator> server() const
    {
        if (!has(QStringLiteral("server"))) {
            if (has(QStringLiteral("admin-user")) || has(QStringLiteral("admin-password")))
                throw BadUsage{QStringLiteral("--admin-user and --admin-password go with --server")};
            return std::nullopt;
        }
        return qor::admin::ServerAdministrator{required(QStringLiteral("server")), required(QStringLiteral("admin-user")),
                                               m_parser.value(QStringLiteral("admin-password"))};
    }

private:
    QCommandLineParser m_parser;
};

const QStringList ServerOptions{QStringLiteral("server"), QStringLiteral("admin-user"), QStringLiteral("admin-password")};

void run(const QStringList &all)
{
    if (all.isEmpty())
        throw BadUsage{QStringLiteral("no command")};
    const QString command = all.first();
    const QStringList rest = all.mid(1);
    using namespace qor::admin;

    if (command == u"--help" || command == u"-h") {
        std::printf("%s%s", Usage, TrustNote);
    } else if (command == u"demo") {
        const Arguments args(rest, {QStringLiteral("force")}, ServerOptions, 1);
        if (const auto server = args.server()) {
            createServerDemo(args.at(0), *server, args.has(QStringLiteral("force")));
            std::printf("Demo data in the database QOR on %s, settings in %s/Data; sign in as demo / demo123\n",
                        qPrintable(server->server), qPrintable(args.at(0)));
        } else {
            createDemo(args.at(0), args.has(QStringLiteral("force")));
            std::printf("Demo data in %s/Data; sign in as demo / demo123\n", qPrintable(args.at(0)));
        }
    } else if (command == u"create") {
        const Arguments args(rest, {}, {QStringLiteral("gate-user"), QStringLiteral("gate-password")}, 1);
        createDatabase(args.at(0), args.required(QStringLiteral("gate-user")), args.required(QStringLiteral("gate-password")));
    } else if (command == u"settings") {
        const Arguments args(rest, {}, {QStringLiteral("user"), QStringLiteral("password"), QStringLiteral("server"), QStringLiteral("database")}, 1);
        qor::TFirstConnectInfo info;
        info.userName = args.required(QStringLiteral("user"));
        info.password = args.required(QStringLiteral("password"));
        info.serverName = args.required(QStringLiteral("server"));
        info.databaseName = args.required(QStringLiteral("database"));
        try {
            qor::encodeSettingsRecord(info);
            qor::postgresServer(info.serverName); // a pg: server must name a host and port
        } catch (const qor::Error &error) {
            throw BadUsage{error.text()}; // a text the record cannot hold is a bad argument
        }
        writeSettings(args.at(0), info);
    } else if (command == u"user") {
        const QString action = rest.value(0);
        const QStringList more = rest.mid(1);
        if (action == u"add") {
            const Arguments args(more, {QStringLiteral("must-change")}, QStringList{QStringLiteral("expires-in")} + ServerOptions, 3);
            NewUser user{args.at(1), args.at(2), args.has(QStringLiteral("must-change")), std::nullopt};
            if (args.has(QStringLiteral("expires-in")))
                user.expiresInDays = Arguments::number(args.required(QStringLiteral("expires-in")));
            if (const auto server = args.server())
                addServerUser(*server, args.at(0), user);
            else
                addUser(args.at(0), user);
        } else if (action == u"passwd") {
            const Arguments args(more, {}, ServerOptions, 3);
            if (const auto server = args.server())
                setServerPassword(*server, args.at(0), args.at(1), args.at(2));
            else
                setPassword(args.at(0), args.at(1), args.at(2));
        } else if (action == u"lock" || action == u"unlock") {
            const Arguments args(more, {}, ServerOptions, 2);
            if (const auto server = args.server())
                setServerLocked(*server, args.at(0), args.at(1), action == u"lock");
            else
                setLocked(args.at(0), args.at(1), action == u"lock");
        } else {
            throw BadUsage{QStringLiteral("unknown user action '%1'").arg(action)};
        }
    } else if (command == u"upgrade") {
        const Arguments args(rest, {}, {}, 1);
        std::printf("%d password(s) hashed\n", upgradePasswords(args.at(0)));
    } else if (command == u"import") {
        const Arguments args(rest, {QStringLiteral("dry-run"), QStringLiteral("namesakes")}, {}, 2);
        std::printf("%s\n", qPrintable(importStudents(args.at(0), args.at(1), args.has(QStringLiteral("dry-run")),
                                                      args.has(QStringLiteral("namesakes")))));
    } else if (command == u"min-client") {
        const Arguments args(rest, {}, ServerOptions, 2);
        if (const auto server = args.server())
            setServerMinimumClient(*server, args.at(0), Arguments::number(args.at(1)));
        else
            setMinimumClient(args.at(0), Arguments::number(args.at(1)));
    } else {
        throw BadUsage{QStringLiteral("unknown command '%1'").arg(command)};
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        run(app.arguments().mid(1));
    } catch (const BadUsage &bad) {
        std::fprintf(stderr, "qor-admin: %s\n%s", qPrintable(bad.text), Usage);
        return BadArguments;
    } catch (const qor::Error &error) {
        std::fprintf(stderr, "qor-admin: %s\n", qPrintable(error.text()));
        return 1;
    }
    return 0;
}
