#include "resultStoreWorker.h"

#include "resultSchema.h"
#include "resultStoreFile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimer>

namespace {

void logLine(const QString &text)
{
    qDebug().noquote() << QStringLiteral("---------- *** results store: %1 *** ----------").arg(text);
}

// SQLite's primary result codes that say the file itself is the trouble
// (busy or locked past the timeout, read-only, I/O error, corrupt, cannot be
// opened, not a database), as opposed to a full disk, which a new file would
// not cure.
bool fileIsTheTrouble(const QString &nativeCode)
{
    static const QStringList codes = {QStringLiteral("5"),  QStringLiteral("6"),  QStringLiteral("8"),
                                      QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("14"),
                                      QStringLiteral("26")};
    return codes.contains(nativeCode);
}

} // namespace

ResultStoreWorker::ResultStoreWorker(const QString &filePath, bool queueForLine, int busyTimeoutMs, int retryMs)
    : m_filePath(filePath), m_connection(QStringLiteral("tkt_results_writer_%1").arg(quintptr(this))),
      m_queueForLine(queueForLine), m_busyTimeoutMs(busyTimeoutMs), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(retryMs);
    connect(m_retry, &QTimer::timeout, this, &ResultStoreWorker::writePending);
}

ResultStoreWorker::~ResultStoreWorker()
{
    closeStore();
}

void ResultStoreWorker::save(UnitRecord record)
{
    if (m_pending.size() >= MaxPending) {
        logLine(QStringLiteral("%1 units waiting; unit %2 dropped unwritten")
                    .arg(m_pending.size())
                    .arg(QString::fromStdString(m_pending.front().unitId)));
        m_pending.pop_front();
    }
    const QString unitId = QString::fromStdString(record.unitId);
    m_pending.push_back(std::move(record));
    writePending();
    if (!m_pending.empty() && m_pending.back().unitId == unitId.toStdString())
        emit keptInMemory(unitId);
}

void ResultStoreWorker::close()
{
    m_retry->stop();
    if (!m_pending.empty())
        writePending();
    m_retry->stop();
    if (!m_pending.empty()) {
        QStringList ids;
        for (const UnitRecord &record : m_pending)
            ids << QString::fromStdString(record.unitId);
        logLine(QStringLiteral("closing with %1 units never written: %2").arg(ids.size()).arg(ids.join(' ')));
    }
    closeStore();
}

bool ResultStoreWorker::ensureOpen()
{
    if (m_open)
        return true;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QString error;
    {
        QSqlDatabase db = resultStoreFile::open(m_connection, m_filePath, false, m_busyTimeoutMs, &error);
        m_open = db.isOpen() && resultSchema::migrate(db, resultSchema::CurrentVersion, &error);
    }
    if (!m_open) {
        logLine(QStringLiteral("%1 cannot be used: %2").arg(m_filePath, error));
        resultStoreFile::release(m_connection);
    }
    return m_open;
}

void ResultStoreWorker::closeStore()
{
    m_open = false;
    resultStoreFile::release(m_connection);
}

void ResultStoreWorker::moveAside(const QString &reason)
{
    closeStore();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.bad-%2").arg(m_filePath, stamp);
    for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
        aside = QStringLiteral("%1.bad-%2-%3").arg(m_filePath, stamp).arg(n);
    // The journal files go with it, named as SQLite looks for them, so the
    // units already committed there stay readable in the copy.
    const bool moved = QFile::rename(m_filePath, aside);
    if (moved) {
        for (const char *suffix : {"-wal", "-shm", "-journal"}) {
            const QString from = m_filePath + QLatin1String(suffix);
            if (QFileInfo::exists(from))
                QFile::rename(from, aside + QLatin1String(suffix));
        }
    }
    logLine(moved ? QStringLiteral("%1; moved to %2, a new store is started").arg(reason, aside)
                  : QStringLiteral("%1; it could not be moved aside").arg(reason));
}

void ResultStoreWorker::writePending()
{
    // Two rounds at most: the store as it is, then a new one after the old
    // was moved aside.
    for (int round = 0; round < 2 && !m_pending.empty(); ++round) {
        if (!ensureOpen()) {
            if (!QFileInfo::exists(m_filePath))
                break;
            moveAside(QStringLiteral("store unusable"));
            continue;
        }
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        bool asideNeeded = false;
        while (!m_pending.empty()) {
            QSqlError error;
            if (!resultSchema::insertUnit(db, m_pending.front(), m_queueForLine, &error)) {
                logLine(
                    QStringLiteral("unit %1 not written: %2 (%3)")
                        .arg(QString::fromStdString(m_pending.front().unitId), error.text(), error.nativeErrorCode()));
                asideNeeded = fileIsTheTrouble(error.nativeErrorCode());
                break;
            }
            emit saved(QString::fromStdString(m_pending.front().unitId));
            m_pending.pop_front();
        }
        db = QSqlDatabase();
        if (!asideNeeded)
            break;
        moveAside(QStringLiteral("writes fail"));
    }
    if (!m_pending.empty() && !m_retry->isActive())
        m_retry->start();
}
