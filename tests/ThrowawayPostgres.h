#pragma once

// A PostgreSQL server of the test's own: a new cluster in a temporary folder,
// stopped when the object goes. It listens on a Unix socket in that folder,
// where the superuser postgres needs no password, and on 127.0.0.1 at a port
// no other program holds, where every login gives its password.
// PostgreSQL refuses to run as root, so as root (CI) its programs run as the
// postgres user that Debian's package makes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

class ThrowawayPostgres
{
public:
    static constexpr auto SuperUser = "postgres";
    static constexpr auto SuperPassword = "Super-2025-pg";

    ThrowawayPostgres()
    {
        const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &version : versions) {
            if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(version)))
                m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
        }
        if (m_bin.isEmpty()) {
            m_error = QStringLiteral("PostgreSQL's server programs are missing (Debian package postgresql)");
            return;
        }
        if (geteuid() == 0) {
            const passwd *user = getpwnam("postgres");
            if (!user || chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
                m_error = QStringLiteral("running as root, and there is no postgres user to run PostgreSQL as");
                return;
            }
            m_asPostgres = true;
        }
        const QString passwordFile = m_dir.filePath(QStringLiteral("superuser"));
        QFile secret(passwordFile);
        if (!secret.open(QIODevice::WriteOnly) || secret.write(SuperPassword) < 0) {
            m_error = QStringLiteral("cannot write %1").arg(passwordFile);
            return;
        }
        secret.close();
        secret.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        if (!runServerProgram(QStringLiteral("initdb"),
                              {QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), QString::fromLatin1(SuperUser),
                               QStringLiteral("--pwfile=%1").arg(passwordFile), QStringLiteral("--auth-local=trust"),
                               QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("--encoding=UTF8"),
                               QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")}))
            return;
        // Another program may take the free port found before the server
        // binds it: then the next one.
        for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
            m_port = freePort();
            m_running = runServerProgram(
                QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), dataFolder(), QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                 QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("-o"),
                 QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off").arg(m_dir.path()).arg(m_port),
                 QStringLiteral("start")});
        }
    }
    ~ThrowawayPostgres()
    {
        if (m_running)
            runServerProgram(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataFolder(), QStringLiteral("-m"),
                                                        QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    }

    // Empty when the server runs.
    QString error() const { return m_running ? QString() : m_error; }
    int port() const { return m_port; }
    // The host that reaches the server without a password (its socket's folder).
    QString socketFolder() const { return m_dir.path(); }
    // The client's name for it: pg:127.0.0.1,port.
    QString serverName() const { return QStringLiteral("pg:127.0.0.1,%1").arg(m_port); }

    // Through the driver Debian's odbc-postgresql registers, as the superuser; no log files.
    QString odbcConnectionString() const
    {
        return QStringLiteral("DRIVER={PostgreSQL Unicode};Servername=%1;Port=%2;Database=postgres;UID=%3;"
                              "CommLog=0;Debug=0;")
            .arg(m_dir.path())
            .arg(m_port)
            .arg(QString::fromLatin1(SuperUser));
    }

    // Installs server/postgresql into a database with the commands its README
    // gives, making the database first when asked; empty when it did, else
    // what failed.
    QString installQor(const QString &sourceFolder, const QString &database, const QString &gatePassword, bool createDatabase)
    {
        const QString scripts = sourceFolder + QStringLiteral("/server/postgresql/");
        const QStringList server{QStringLiteral("-h"), socketFolder(), QStringLiteral("-p"), QString::number(m_port),
                                 QStringLiteral("-U"), QString::fromLatin1(SuperUser)};
        if (createDatabase
            && !runClient(QStringLiteral("createdb"), server + QStringList{QStringLiteral("-E"), QStringLiteral("UTF8"),
                                                                          QStringLiteral("-T"), QStringLiteral("template0"), database}))
            return m_error;
        for (const char *script : {"qor_schema.sql", "get_user.sql", "logins_and_roles.sql"}) {
            const QStringList psql = server + QStringList{QStringLiteral("-d"), database, QStringLiteral("-1"), QStringLiteral("-v"),
                                                          QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-q"),
                                                          QStringLiteral("-f"), scripts + QLatin1String(script)};
            if (!runClient(QStringLiteral("psql"), psql, QStringLiteral("-c qor.gate_password=%1").arg(gatePassword)))
                return m_error;
        }
        return {};
    }

    // Runs SQL in a database as the superuser through psql; its output, or
    // nothing when it failed (error() then says why).
    std::optional<QString> psql(const QString &database, const QString &sql)
    {
        QString output;
        if (!runClient(QStringLiteral("psql"), {QStringLiteral("-h"), socketFolder(), QStringLiteral("-p"), QString::number(m_port),
                                                QStringLiteral("-U"), QString::fromLatin1(SuperUser), QStringLiteral("-d"), database,
                                                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-Atq"),
                                                QStringLiteral("-c"), sql},
                       {}, &output))
            return std::nullopt;
        return output;
    }
    QString lastError() const { return m_error; }

private:
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }

    // A port on 127.0.0.1 that no program holds now.
    static int freePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (s >= 0)
            ::close(s);
        return port;
    }

    bool finished(QProcess &process, const QString &program, QString *output)
    {
        if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()));
            return false;
        }
        if (output)
            *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return true;
    }

    // The server's own programs, as its user.
    bool runServerProgram(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (m_asPostgres)
            process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), m_bin + program} + arguments);
        else
            process.start(m_bin + program, arguments);
        return finished(process, program, nullptr);
    }

    // A client program, as whoever runs the test.
    bool runClient(const QString &program, const QStringList &arguments, const QString &options = {}, QString *output = nullptr)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGOPTIONS"), options);
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process.setProcessEnvironment(env);
        if (!output)
            process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(m_bin + program, arguments);
        return finished(process, program, output);
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
    int m_port = 0;
    bool m_asPostgres = false;
    bool m_running = false;
};
