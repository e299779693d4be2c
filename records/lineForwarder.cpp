#include "lineForwarder.h"

#include "resultSchema.h"
#include "resultStoreFile.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariant>

namespace {

void logLine(const QString &text)
{
    qDebug().noquote() << QStringLiteral("---------- *** line store: %1 *** ----------").arg(text);
}

// What the server says this connection is: encrypted by TLS (version and
// cipher), by GSSAPI, or not at all.
QString encryptionOf(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("SELECT s.ssl, s.version, s.cipher, g.encrypted FROM pg_stat_ssl s "
                                   "JOIN pg_stat_gssapi g USING (pid) WHERE pid = pg_backend_pid()")) ||
        !query.next())
        return QStringLiteral("encryption unknown: %1").arg(query.lastError().text().simplified());
    if (query.value(0).toBool())
        return QStringLiteral("encrypted (%1, %2)").arg(query.value(1).toString(), query.value(2).toString());
    return query.value(3).toBool() ? QStringLiteral("encrypted (GSSAPI)") : QStringLiteral("not encrypted");
}

} // namespace

LineForwarder::LineForwarder(const QString &storePath, const LineTarget &target, int busyTimeoutMs, int intervalMs,
                             int batch, const QString &vfs)
    : m_storePath(storePath), m_vfs(vfs), m_target(target),
      m_storeConnection(QStringLiteral("tkt_results_forward_%1").arg(quintptr(this))),
      m_serverConnection(QStringLiteral("tkt_results_line_%1").arg(quintptr(this))), m_busyTimeoutMs(busyTimeoutMs),
      m_batch(batch > 0 ? batch : DefaultBatch), m_timer(new QTimer(this))
{
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &LineForwarder::forwardQueued);
}

LineForwarder::~LineForwarder()
{
    stop();
}

QStringList LineForwarder::schemaStatements()
{
    // The table as the first tool that used it made it, then each later
    // column added where missing: a server set up by an older tool keeps its
    // rows as they were, and older stations still insert (their columns are
    // a subset).
    return {QStringLiteral(
                "CREATE TABLE IF NOT EXISTS unit_results ("
                "unit_id text PRIMARY KEY, start_utc_ms bigint NOT NULL, end_utc_ms bigint NOT NULL, station text,"
                " tool_version text, vid integer, pid integer, manufacturer text, product text, model text,"
                " version text, link_path text, keys_pressed_count integer, keys_pressed text, keys_never_pressed text,"
                " chatter_count bigint, chatter text, key_check_run integer, key_check_bad_keys text,"
                " calibration_keys text, verdict text, outcome text, ended text,"
                " received_at timestamptz NOT NULL DEFAULT now())"),
            QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS serial text"),
            QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS max_keys_held integer"),
            QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS reasons text"),
            QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS capture text")};
}

void LineForwarder::start()
{
    if (m_target.passwordIgnored)
        logLine(QStringLiteral("the password in the URL is ignored; set PGPASSWORD or use a pgpass file"));
    m_timer->start();
}

void LineForwarder::stop()
{
    m_timer->stop();
    resultStoreFile::release(m_storeConnection);
    m_serverUp = false;
    resultStoreFile::release(m_serverConnection);
}

void LineForwarder::finish()
{
    stop();
    deleteLater(); // run when the thread finishes
    QThread::currentThread()->quit();
}

int LineForwarder::forwardQueued()
{
    int total = 0;
    // Bounded: each round either empties a full batch from the queue or ends.
    for (int round = 0; round < 1000; ++round) {
        const int sent = forwardBatch();
        if (sent < 0) {
            resultStoreFile::release(m_storeConnection);
            return total > 0 ? total : -1;
        }
        total += sent;
        if (sent < m_batch)
            break;
    }
    // Opened anew each time, so a store moved aside and started again is the
    // one read next time.
    resultStoreFile::release(m_storeConnection);
    return total;
}

bool LineForwarder::ensureServer()
{
    if (m_serverUp)
        return true;
    resultStoreFile::release(m_serverConnection);
    QString error;
    QString encryption;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_serverConnection);
        db.setHostName(m_target.host);
        db.setPort(m_target.port);
        db.setDatabaseName(m_target.database);
        db.setUserName(m_target.user);
        QString options = QStringLiteral("connect_timeout=%1;application_name=TavrinKeyboardTest").arg(ConnectTimeoutS);
        if (!m_target.connectOptions.isEmpty())
            options += QLatin1Char(';') + m_target.connectOptions;
        db.setConnectOptions(options);
        if (db.open()) {
            QSqlQuery query(db);
            encryption = encryptionOf(query);
            if (!m_target.sslmode.isEmpty())
                encryption += QStringLiteral(", sslmode=%1").arg(m_target.sslmode);
            // The server's notices (such as "already exists") are not for the
            // operator's terminal.
            query.exec(QStringLiteral("SET client_min_messages = warning"));
            // Another station may make the table at the same moment; the
            // insert below tells whether it is there.
            for (const QString &statement : schemaStatements())
                query.exec(statement);
            m_serverUp = true;
        } else {
            error = db.lastError().text();
        }
    }
    if (m_serverUp) {
        logLine((m_outageLogged ? QStringLiteral("reached %1 again, %2") : QStringLiteral("connected to %1, %2"))
                    .arg(m_target.printable, encryption));
        m_outageLogged = false;
        return true;
    }
    resultStoreFile::release(m_serverConnection);
    if (!m_outageLogged)
        logLine(QStringLiteral("%1 not reached, units stay queued: %2").arg(m_target.printable, error.simplified()));
    m_outageLogged = true;
    return false;
}

void LineForwarder::dropServer(const QString &why)
{
    if (!m_outageLogged)
        logLine(
            QStringLiteral("sending to %1 failed, units stay queued: %2").arg(m_target.printable, why.simplified()));
    m_outageLogged = true;
    m_serverUp = false;
    resultStoreFile::release(m_serverConnection);
}

int LineForwarder::forwardBatch()
{
    if (!QFileInfo(m_storePath).isFile())
        return 0;
    QSqlDatabase store = QSqlDatabase::database(m_storeConnection, false);
    if (!store.isOpen()) {
        store = QSqlDatabase();
        resultStoreFile::release(m_storeConnection);
        // The journal stays as the writer chose it for this file system.
        resultStoreFile::Access access;
        access.journal = resultStoreFile::Access::AsFound;
        access.vfs = m_vfs;
        store = resultStoreFile::open(m_storeConnection, m_storePath, access, m_busyTimeoutMs, nullptr);
        if (!store.isOpen())
            return 0;
    }

    std::vector<UnitRecord> units;
    {
        QSqlQuery query(store);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT %1 FROM units WHERE unit_id IN "
                                     "(SELECT unit_id FROM line_queue ORDER BY queued_utc_ms LIMIT ?)")
                          .arg(QString::fromLatin1(resultSchema::UnitColumns)));
        query.addBindValue(m_batch);
        if (!query.exec())
            return 0;
        while (query.next() && units.size() < static_cast<std::size_t>(m_batch))
            units.push_back(resultSchema::unitFromRow(query));
    }
    if (units.empty())
        return 0;
    if (!ensureServer())
        return -1;

    {
        QSqlDatabase server = QSqlDatabase::database(m_serverConnection, false);
        QSqlQuery insert(server);
        bool ok =
            server.transaction() &&
            insert.prepare(QStringLiteral("INSERT INTO unit_results (%1) VALUES (%2) ON CONFLICT (unit_id) DO "
                                          "NOTHING")
                               .arg(QString::fromLatin1(resultSchema::UnitColumns), resultSchema::placeholders()));
        for (std::size_t i = 0; ok && i < units.size(); ++i) {
            resultSchema::bindUnit(insert, units[i]);
            ok = insert.exec();
        }
        if (!ok || !server.commit()) {
            const QString why = insert.lastError().isValid() ? insert.lastError().text() : server.lastError().text();
            insert = QSqlQuery();
            server.rollback();
            server = QSqlDatabase();
            dropServer(why);
            return -1;
        }
    }

    // The server has them; a failure from here on only sends them again.
    {
        QSqlQuery remove(store);
        bool ok = store.transaction() && remove.prepare(QStringLiteral("DELETE FROM line_queue WHERE unit_id = ?"));
        for (std::size_t i = 0; ok && i < units.size(); ++i) {
            remove.addBindValue(QString::fromStdString(units[i].unitId));
            ok = remove.exec();
        }
        if (!ok || !store.commit()) {
            store.rollback();
            logLine(QStringLiteral("delivered units not taken off the queue, they will be sent again: %1")
                        .arg(remove.lastError().text()));
        }
    }
    emit forwarded(static_cast<int>(units.size()));
    return static_cast<int>(units.size());
}
