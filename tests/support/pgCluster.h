#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

// A throw-away PostgreSQL cluster for one test program: made with initdb in a
// folder under the build tree, reached only through a Unix socket there, and
// stopped and removed with this object. initdb refuses to run as root, so as
// root the server runs as "nobody", which owns the folder.
class PgCluster
{
public:
    static constexpr const char *SuperUser = "tkt";

    // A durable cluster syncs its writes as a production server does; the
    // tests' does not, to keep them quick.
    explicit PgCluster(bool durable = false)
        : m_dir(QCoreApplication::applicationDirPath() + QStringLiteral("/pg-XXXXXX")), m_durable(durable)
    {
    }
    ~PgCluster()
    {
        stop();
        m_dir.remove();
    }

    // Creates the cluster; false with the reason in error().
    bool init()
    {
        m_bin = binDir();
        if (m_bin.isEmpty())
            return failed(QStringLiteral("initdb and pg_ctl not found (Debian package postgresql)"));
        if (!m_dir.isValid())
            return failed(QStringLiteral("no folder for the cluster"));
        if (geteuid() == 0) {
            const passwd *nobody = getpwnam("nobody");
            if (!nobody || chown(m_dir.path().toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0)
                return failed(QStringLiteral("cannot give the cluster folder to nobody"));
        }
        return run(QStringLiteral("initdb"),
                   {"-D", dataDir(), "-U", SuperUser, "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"});
    }

    bool start()
    {
        // No TCP at all: the socket in the cluster's folder is the only way in.
        QString options =
            QStringLiteral("-k %1 -p %2 -c listen_addresses= -c max_connections=20").arg(socketDir()).arg(port());
        if (!m_durable)
            options += QStringLiteral(" -c fsync=off");
        m_running = run(QStringLiteral("pg_ctl"),
                        {"start", "-w", "-D", dataDir(), "-l", m_dir.filePath("server.log"), "-o", options});
        return m_running;
    }

    bool stop()
    {
        if (!m_running)
            return true;
        m_running = !run(QStringLiteral("pg_ctl"), {"stop", "-w", "-m", "fast", "-D", dataDir()});
        return !m_running;
    }

    QString socketDir() const { return m_dir.path(); }
    int port() const { return 15432 + static_cast<int>(QCoreApplication::applicationPid() % 1000); }
    QString url(const QString &database) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4").arg(SuperUser, database, socketDir()).arg(port());
    }
    QString error() const { return m_error; }

    // The first column of every row, or the error text alone when it fails.
    QStringList query(const QString &database, const QString &statement) const
    {
        QStringList values;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("tst_pg"));
            db.setHostName(socketDir());
            db.setPort(port());
            db.setUserName(QString::fromLatin1(SuperUser));
            db.setDatabaseName(database);
            if (!db.open()) {
                values << db.lastError().text();
            } else {
                QSqlQuery q(db);
                if (!q.exec(statement))
                    values << q.lastError().text();
                while (q.next())
                    values << q.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("tst_pg"));
        return values;
    }

private:
    static QString binDir()
    {
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("pg_ctl"));
        if (!onPath.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("initdb")).isEmpty())
            return QFileInfo(onPath).absolutePath();
        QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &version : versions) {
            const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
            if (QFileInfo::exists(bin + QStringLiteral("/initdb")))
                return bin;
        }
        return QString();
    }

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    bool run(const QString &tool, const QStringList &args)
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        QStringList command = QStringList{m_bin + QLatin1Char('/') + tool} + args;
        if (geteuid() == 0)
            command = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"} + command;
        process.start(command.takeFirst(), command);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return failed(tool + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()));
        return true;
    }

    bool failed(const QString &why)
    {
        m_error = why;
        return false;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
    bool m_durable = false;
    bool m_running = false;
};
