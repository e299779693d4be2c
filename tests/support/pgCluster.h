#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

// A throw-away PostgreSQL cluster for one test program: made with initdb in a
// folder under the build tree, reached through a Unix socket there, and
// stopped and removed with this object. Given the script that makes test
// certificates (test-certificates.sh), it also listens on 127.0.0.1, where
// it takes TLS connections only, with a certificate made for this run.
// initdb refuses to run as root, so as root the server runs as "nobody",
// which owns the folder.
class PgCluster
{
public:
    static constexpr const char *SuperUser = "tkt";

    // A durable cluster syncs its writes as a production server does; the
    // tests' does not, to keep them quick.
    explicit PgCluster(bool durable = false, const QString &certificateScript = QString())
        : m_dir(QCoreApplication::applicationDirPath() + QStringLiteral("/pg-XXXXXX")),
          m_certificateScript(certificateScript), m_durable(durable)
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
        if (!run(m_bin + QStringLiteral("/initdb"),
                 {"-D", dataDir(), "-U", SuperUser, "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"}))
            return false;
        if (m_certificateScript.isEmpty())
            return true;
        QFile hba(dataDir() + QStringLiteral("/pg_hba.conf"));
        return run(m_certificateScript, {certificate(QString())}) && hba.open(QIODevice::WriteOnly) &&
               hba.write("local all all trust\nhostssl all all 127.0.0.1/32 trust\n") > 0;
    }

    bool start()
    {
        // Without TLS no TCP at all: the socket in the cluster's folder is the only way in.
        QString options = QStringLiteral("-k %1 -c max_connections=20").arg(socketDir());
        if (!m_durable)
            options += QStringLiteral(" -c fsync=off");
        if (m_certificateScript.isEmpty())
            options += QStringLiteral(" -c listen_addresses=");
        else
            options += QStringLiteral(" -c listen_addresses=127.0.0.1 -c ssl=on -c ssl_cert_file=%1 -c ssl_key_file=%2")
                           .arg(certificate(QStringLiteral("server.crt")), certificate(QStringLiteral("server.key")));
        // A port another program listens on makes the server give up: the next is tried.
        for (int attempt = 0; attempt < 20 && !m_running; ++attempt) {
            if (attempt > 0)
                m_port += 1;
            m_running = run(m_bin + QStringLiteral("/pg_ctl"),
                            {"start", "-w", "-D", dataDir(), "-l", m_dir.filePath("server.log"), "-o",
                             options + QStringLiteral(" -p %1").arg(m_port)});
        }
        return m_running;
    }

    bool stop()
    {
        if (!m_running)
            return true;
        m_running = !run(m_bin + QStringLiteral("/pg_ctl"), {"stop", "-w", "-m", "fast", "-D", dataDir()});
        return !m_running;
    }

    QString socketDir() const { return m_dir.path(); }
    int port() const { return m_port; }
    QString url(const QString &database) const
    {
        return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4").arg(SuperUser, database, socketDir()).arg(port());
    }
    // Over TCP, the server verified against the root certificate in rootFile.
    QString tlsUrl(const QString &database, const QString &rootFile) const
    {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3?sslmode=verify-full&sslrootcert=%4")
            .arg(QString::fromLatin1(SuperUser), QString::number(port()), database,
                 QString::fromLatin1(QUrl::toPercentEncoding(rootFile, "/")));
    }
    // A file the certificate script made: root.crt, other-root.crt, server.crt...
    QString certificate(const QString &name) const { return m_dir.filePath(QStringLiteral("certificates/") + name); }
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
        QStringList command = QStringList{tool} + args;
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
    QString m_certificateScript;
    int m_port = 15432 + static_cast<int>(QCoreApplication::applicationPid() % 1000);
    QString m_bin;
    QString m_error;
    bool m_durable = false;
    bool m_running = false;
};
