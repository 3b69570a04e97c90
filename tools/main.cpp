// qor-admin: creates embedded QOR databases, users, settings files and demo data.
#include "data/DataFolder.h"
#include "data/Error.h"
#include "tools/AdminCommands.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int BadArguments = 2;

const char *const Usage =
    "usage:\n"
    "  qor-admin demo DIR [--force]\n"
    "      DIR/Data/QOR (settings) and DIR/Data/QOR.db with demo data and the users\n"
    "      demo/demo123, novice/novice1 (must change the password) and expiring/expire1\n"
    "  qor-admin create DB --gate-user NAME --gate-password PASSWORD\n"
    "  qor-admin settings FILE --user NAME --password PASSWORD --server SERVER --database NAME\n"
    "      SERVER is (embedded) or a SQL Server host: host, host,port or host\\instance\n"
    "  qor-admin user add DB LOGIN PASSWORD [--must-change] [--expires-in DAYS]\n"
    "  qor-admin user passwd DB LOGIN PASSWORD\n"
    "  qor-admin user lock DB LOGIN\n"
    "  qor-admin user unlock DB LOGIN\n"
    "  qor-admin min-client DB N\n";

struct BadUsage
{
    QString text;
};

// Positional arguments and --options of one command.
class Arguments
{
public:
    Arguments(QStringList args, const QStringList &flags, const QStringList &valued)
    {
        for (int i = 0; i < args.size(); ++i) {
            const QString &arg = args[i];
            if (flags.contains(arg)) {
                m_options.insert(arg, QString());
            } else if (valued.contains(arg)) {
                if (i + 1 >= args.size())
                    throw BadUsage{QStringLiteral("%1 needs a value").arg(arg)};
                m_options.insert(arg, args[++i]);
            } else if (arg.startsWith(QStringLiteral("--"))) {
                throw BadUsage{QStringLiteral("unknown option %1").arg(arg)};
            } else {
                m_positional.append(arg);
            }
        }
    }
    void expect(int count) const
    {
        if (m_positional.size() != count)
            throw BadUsage{QStringLiteral("wrong number of arguments")};
    }
    QString at(int i) const { return m_positional.value(i); }
    bool has(const QString &option) const { return m_options.contains(option); }
    QString required(const QString &option) const
    {
        if (!has(option))
            throw BadUsage{QStringLiteral("%1 is required").arg(option)};
        return m_options.value(option);
    }
    int number(const QString &text) const
    {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            throw BadUsage{QStringLiteral("'%1' is not a whole number").arg(text)};
        return value;
    }

private:
    QStringList m_positional;
    QHash<QString, QString> m_options;
};

void run(const QStringList &all)
{
    if (all.isEmpty())
        throw BadUsage{QStringLiteral("no command")};
    const QString command = all.first();
    const QStringList rest = all.mid(1);
    using namespace qor::admin;

    if (command == u"demo") {
        const Arguments args(rest, {QStringLiteral("--force")}, {});
        args.expect(1);
        createDemo(args.at(0), args.has(QStringLiteral("--force")));
        std::printf("Demo data in %s/Data; sign in as demo / demo123\n", qPrintable(args.at(0)));
    } else if (command == u"create") {
        const Arguments args(rest, {}, {QStringLiteral("--gate-user"), QStringLiteral("--gate-password")});
        args.expect(1);
        createDatabase(args.at(0), args.required(QStringLiteral("--gate-user")), args.required(QStringLiteral("--gate-password")));
    } else if (command == u"settings") {
        const Arguments args(rest, {}, {QStringLiteral("--user"), QStringLiteral("--password"), QStringLiteral("--server"), QStringLiteral("--database")});
        args.expect(1);
        qor::TFirstConnectInfo info;
        info.userName = args.required(QStringLiteral("--user"));
        info.password = args.required(QStringLiteral("--password"));
        info.serverName = args.required(QStringLiteral("--server"));
        info.databaseName = args.required(QStringLiteral("--database"));
        try {
            qor::encodeSettingsRecord(info);
        } catch (const qor::Error &error) {
            throw BadUsage{error.text()}; // a text the record cannot hold is a bad argument
        }
        writeSettings(args.at(0), info);
    } else if (command == u"user") {
        const QString action = rest.value(0);
        const QStringList more = rest.mid(1);
        if (action == u"add") {
            const Arguments args(more, {QStringLiteral("--must-change")}, {QStringLiteral("--expires-in")});
            args.expect(3);
            NewUser user{args.at(1), args.at(2), args.has(QStringLiteral("--must-change")), std::nullopt};
            if (args.has(QStringLiteral("--expires-in")))
                user.expiresInDays = args.number(args.required(QStringLiteral("--expires-in")));
            addUser(args.at(0), user);
        } else if (action == u"passwd") {
            const Arguments args(more, {}, {});
            args.expect(3);
            setPassword(args.at(0), args.at(1), args.at(2));
        } else if (action == u"lock" || action == u"unlock") {
            const Arguments args(more, {}, {});
            args.expect(2);
            setLocked(args.at(0), args.at(1), action == u"lock");
        } else {
            throw BadUsage{QStringLiteral("unknown user action '%1'").arg(action)};
        }
    } else if (command == u"min-client") {
        const Arguments args(rest, {}, {});
        args.expect(2);
        setMinimumClient(args.at(0), args.number(args.at(1)));
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
