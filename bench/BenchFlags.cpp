#include "BenchFlags.h"

#include <algorithm>

namespace {

constexpr int Million = 1000000;
const QList<int> DefaultSizes{10000, 50000, 200000};
constexpr int PostgresDefaultSize = 200000;

// The value after a flag; empty, with error set, when there is none.
QString valueOf(const QStringList &arguments, qsizetype &i, const QString &what, QString *error)
{
    const QString flag = arguments[i];
    if (i + 1 >= arguments.size() || (arguments[i + 1].startsWith(u"--") && flag != u"--admin-password")) {
        *error = QStringLiteral("%1 needs %2").arg(flag, what);
        return {};
    }
    return arguments[++i];
}

// A whole number of at least least; -1, with error set, otherwise.
int numberOf(const QString &flag, const QString &value, int least, QString *error)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < least) {
        *error = QStringLiteral("%1 takes a whole number of at least %2, not \"%3\"").arg(flag).arg(least).arg(value);
        return -1;
    }
    return number;
}

} // namespace

BenchFlags parseBenchFlags(const QStringList &arguments, QString *error)
{
    error->clear();
    BenchFlags flags;
    bool help = false, registers = false, postgres = false, orders = false, million = false;
    QStringList given; // the flags seen, for the checks of what goes together
    for (qsizetype i = 0; i < arguments.size() && error->isEmpty(); ++i) {
        const QString &flag = arguments[i];
        given.append(flag);
        if (flag == u"--help" || flag == u"-h") {
            help = true;
        } else if (flag == u"--million") {
            million = true;
        } else if (flag == u"--registers") {
            registers = true;
        } else if (flag == u"--orders") {
            orders = true;
        } else if (flag == u"--students") {
            const QString value = valueOf(arguments, i, QStringLiteral("a number of students"), error);
            if (error->isEmpty())
                flags.orderStudents = numberOf(flag, value, 100, error);
        } else if (flag == u"--only") {
            const QString value = valueOf(arguments, i, QStringLiteral("a number of students"), error);
            const int students = error->isEmpty() ? numberOf(flag, value, 100, error) : -1;
            if (students > 0)
                flags.sizes.append(students);
        } else if (flag == u"--repeat") {
            const QString value = valueOf(arguments, i, QStringLiteral("a number of samples"), error);
            if (error->isEmpty())
                flags.repeat = numberOf(flag, value, 3, error);
        } else if (flag == u"--keep") {
            flags.keep = valueOf(arguments, i, QStringLiteral("a folder"), error);
        } else if (flag == u"--postgres") {
            postgres = true;
            flags.server = valueOf(arguments, i, QStringLiteral("a server, pg:HOST,PORT"), error);
        } else if (flag == u"--admin-user") {
            flags.adminUser = valueOf(arguments, i, QStringLiteral("a user name"), error);
        } else if (flag == u"--admin-password") {
            flags.adminPassword = valueOf(arguments, i, QStringLiteral("a password"), error);
        } else {
            *error = QStringLiteral("unknown flag \"%1\"").arg(flag);
        }
    }
    if (!error->isEmpty())
        return flags;
    if (help) {
        flags.mode = BenchFlags::Mode::Help;
        return flags;
    }
    const auto refuse = [&](const QString &flag, const QString &mode) {
        if (given.contains(flag) && error->isEmpty())
            *error = QStringLiteral("%1 does not go with %2").arg(flag, mode);
    };
    if (int(registers) + int(postgres) + int(orders) > 1) {
        *error = QStringLiteral("--registers, --orders and --postgres measure different things: give one of them");
    } else if (!orders && given.contains(QStringLiteral("--students"))) {
        *error = QStringLiteral("--students goes with --orders (the sizes' tables take --only)");
    } else if (registers) {
        flags.mode = BenchFlags::Mode::Registers;
        for (const char *flag : {"--only", "--million", "--admin-user", "--admin-password"})
            refuse(QString::fromLatin1(flag), QStringLiteral("--registers"));
    } else if (orders) {
        flags.mode = BenchFlags::Mode::Orders;
        for (const char *flag : {"--only", "--million", "--admin-user", "--admin-password"})
            refuse(QString::fromLatin1(flag), QStringLiteral("--orders (its size is --students)"));
    } else if (postgres) {
        flags.mode = BenchFlags::Mode::Postgres;
        refuse(QStringLiteral("--keep"), QStringLiteral("--postgres"));
        if (million)
            flags.sizes.append(Million);
        if (flags.sizes.isEmpty())
            flags.sizes.append(PostgresDefaultSize);
        if (flags.sizes.size() > 1 && error->isEmpty())
            *error = QStringLiteral("--postgres measures one size: give --only or --million once");
        if (flags.adminUser.isEmpty() && error->isEmpty())
            *error = QStringLiteral("--postgres needs --admin-user");
    } else {
        for (const char *flag : {"--admin-user", "--admin-password"})
            refuse(QString::fromLatin1(flag), QStringLiteral("the sizes' tables (they are for --postgres)"));
        if (flags.sizes.isEmpty())
            flags.sizes = DefaultSizes;
        if (million)
            flags.sizes.append(Million);
    }
    std::sort(flags.sizes.begin(), flags.sizes.end());
    flags.sizes.erase(std::unique(flags.sizes.begin(), flags.sizes.end()), flags.sizes.end());
    return flags;
}

QString benchUsage()
{
    return QStringLiteral(
        "usage: qor-bench [FLAGS]   (flags in any order; see bench/README.md)\n"
        "\n"
        "  (no flags)            the tables of offices of 10000, 50000 and 200000 students,\n"
        "                        and the start of the client beside a bare Qt program\n"
        "  --only STUDENTS       that size instead (at least 100; may be given more than once)\n"
        "  --million             also 1000000 students (making its database takes minutes)\n"
        "  --repeat N            samples per figure (default 15, at least 3)\n"
        "  --keep DIR            make each size's database in DIR once and use it again\n"
        "  --registers           the registers' search and the import alone (with --repeat, --keep)\n"
        "  --orders [--students N]\n"
        "                        one order for many students alone (1000000 students unless told;\n"
        "                        with --repeat, --keep)\n"
        "  --postgres pg:HOST,PORT --admin-user USER [--admin-password PASSWORD]\n"
        "                        the group pick on a PostgreSQL server (one size: --only or --million,\n"
        "                        200000 by default; with --repeat)\n"
        "  --help                this text\n");
}
