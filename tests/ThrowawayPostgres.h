#pragma once

// A PostgreSQL server of the test's own: a new cluster in a temporary folder,
// reached only through a Unix socket there, stopped when the object goes.
// PostgreSQL refuses to run as root, so as root (CI) its programs run as the
// postgres user that Debian's package makes.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

class ThrowawayPostgres
{
public:
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
        if (!run(QStringLiteral("initdb"), {QStringLiteral("-D"), dataFolder(), QStringLiteral("-U"), QStringLiteral("qor_owner"),
                                            QStringLiteral("--auth=trust"), QStringLiteral("--encoding=UTF8"),
                                            QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")}))
            return;
        m_running = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), dataFolder(), QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                         QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("-o"),
                         QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(m_dir.path()), QStringLiteral("start")});
    }
    ~ThrowawayPostgres()
    {
        if (m_running)
            run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataFolder(), QStringLiteral("-m"), QStringLiteral("immediate"),
                                           QStringLiteral("-w"), QStringLiteral("stop")});
    }

    // Empty when the server runs.
    QString error() const { return m_running ? QString() : m_error; }

    // Through the driver Debian's odbc-postgresql registers; no log files.
    QString odbcConnectionString() const
    {
        return QStringLiteral("DRIVER={PostgreSQL Unicode};Servername=%1;Port=5432;Database=postgres;UID=qor_owner;"
                              "CommLog=0;Debug=0;")
            .arg(m_dir.path());
    }

private:
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }

    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (m_asPostgres)
            process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), m_bin + program} + arguments);
        else
            process.start(m_bin + program, arguments);
        if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()));
            return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
    bool m_asPostgres = false;
    bool m_running = false;
};
