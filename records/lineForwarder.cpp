#include "lineForwarder.h"

#include "lineConnection.h"
#include "lineQueue.h"
#include "lineSchema.h"
#include "resultSchema.h"
#include "resultStoreFile.h"

#include <QDateTime>
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
    return lineSchema::statements();
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
    for (int round = 0; round < 1000 && !m_stopping; ++round) {
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
        QSqlDatabase db = lineConnection::open(m_serverConnection, m_target, &error);
        if (db.isOpen()) {
            QSqlQuery query(db);
            encryption = encryptionOf(query);
            if (!m_target.sslmode.isEmpty())
                encryption += QStringLiteral(", sslmode=%1").arg(m_target.sslmode);
            // The server's notices (such as "already exists") are not for the
            // operator's terminal.
            query.exec(QStringLiteral("SET client_min_messages = warning"));
            // A server that takes longer over a batch is not well: the batch
            // stays queued, and the close never waits on it longer than this.
            query.exec(QStringLiteral("SET statement_timeout = %1").arg(StatementTimeoutMs));
            // Another station may make the table at the same moment; the
            // insert below tells whether it is there.
            for (const QString &statement : schemaStatements())
                query.exec(statement);
            m_serverUp = true;
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

bool LineForwarder::send(const std::vector<UnitRecord> &units, QSqlError *error)
{
    QSqlDatabase server = QSqlDatabase::database(m_serverConnection, false);
    QSqlQuery insert(server);
    bool ok = server.transaction() &&
              insert.prepare(QStringLiteral("INSERT INTO unit_results (%1) VALUES (%2) ON CONFLICT (unit_id) DO "
                                            "NOTHING")
                                 .arg(QString::fromLatin1(resultSchema::UnitColumns), resultSchema::placeholders()));
    for (std::size_t i = 0; ok && i < units.size(); ++i) {
        resultSchema::bindUnit(insert, units[i]);
        ok = insert.exec();
    }
    if (ok && server.commit())
        return true;
    *error = insert.lastError().isValid() ? insert.lastError() : server.lastError();
    insert = QSqlQuery();
    server.rollback();
    return false;
}

bool LineForwarder::refusesTheUnit(const QSqlError &error)
{
    // The SQLSTATE's class: 22 the data (a text too long for a narrowed
    // column, a character the server's encoding lacks), 23 a constraint (a
    // CHECK, NOT NULL), 54 a limit (a row too big). Everything else, and no
    // state at all (the connection gone), is the server's trouble.
    const QString state = error.nativeErrorCode();
    return state.size() == 5 && (state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")) ||
                                 state.startsWith(QLatin1String("54")));
}

void LineForwarder::refused(QSqlDatabase &store, const UnitRecord &unit, const QSqlError &error)
{
    const int tries = ++m_refusals[unit.unitId];
    if (tries < RefusalsBeforeAside)
        return;
    const QString unitId = QString::fromStdString(unit.unitId);
    // The server's first line says why; its DETAIL would only repeat the unit.
    const QString why = QStringLiteral("%1 (%2)").arg(
        error.databaseText().section(QLatin1Char('\n'), 0, 0).simplified(), error.nativeErrorCode());
    QSqlError storeError;
    if (!lineQueue::setAside(store, unitId, why, QDateTime::currentMSecsSinceEpoch(), &storeError)) {
        logLine(QStringLiteral("unit %1 refused by %2 but not set aside, it is tried again: %3")
                    .arg(unitId, m_target.printable, storeError.text()));
        return;
    }
    m_refusals.erase(unit.unitId);
    logLine(QStringLiteral("unit %1 set aside after %2 tries, %3 refuses it: %4; \"TavrinKeyboardTest "
                           "--forward-again\" queues it again once the server is mended")
                .arg(unitId)
                .arg(tries)
                .arg(m_target.printable, why));
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

    std::vector<UnitRecord> delivered;
    QSqlError error;
    bool lost = false;
    if (send(units, &error)) {
        delivered = std::move(units);
    } else if (!refusesTheUnit(error)) {
        dropServer(error.text());
        return -1;
    } else {
        // One of them is refused for itself: each alone, so the others go on.
        for (const UnitRecord &unit : units) {
            if (m_stopping)
                break;
            if (send({unit}, &error)) {
                m_refusals.erase(unit.unitId);
                delivered.push_back(unit);
            } else if (refusesTheUnit(error)) {
                refused(store, unit, error);
            } else {
                dropServer(error.text());
                lost = true;
                break;
            }
        }
    }
    if (delivered.empty())
        return lost ? -1 : 0;
    units = std::move(delivered);

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
