#include "resultStoreWorker.h"

#include "resultSchema.h"
#include "resultStoreFile.h"
#include "storeAside.h"
#include "storeTrouble.h"
#include "unitFallbackFile.h"
#include "unitLine.h"
#include "unitProgressFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace {

// Units imported from the fallback file per transaction.
constexpr std::size_t ImportBatch = 500;

void logLine(const QString &text)
{
    qDebug().noquote() << QStringLiteral("---------- *** results store: %1 *** ----------").arg(text);
}

// The last place a unit can be kept: the debug log, in the fallback file's
// form, so a person can still recover it.
void logUnit(const UnitRecord &unit)
{
    logLine(QStringLiteral("unit %1 as recorded: %2")
                .arg(QString::fromStdString(unit.unitId), QString::fromStdString(unitLine::write(unit))));
}

QString idsOf(const std::vector<UnitRecord> &units)
{
    QStringList ids;
    for (const UnitRecord &unit : units)
        ids << QString::fromStdString(unit.unitId);
    return ids.join(QLatin1Char(' '));
}

} // namespace

ResultStoreWorker::ResultStoreWorker(const Settings &settings)
    : m_settings(settings), m_fallbackPath(unitFallbackFile::pathBeside(settings.filePath)),
      m_progressPath(unitProgressFile::pathBeside(settings.filePath)),
      m_connection(QStringLiteral("tkt_results_writer_%1").arg(quintptr(this))),
      m_backoff(settings.retryMs, settings.retryMostMs), m_retry(new QTimer(this)), m_nextStep(new QTimer(this))
{
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &ResultStoreWorker::writePending);
    m_nextStep->setSingleShot(true);
    m_nextStep->setInterval(0);
    connect(m_nextStep, &QTimer::timeout, this, &ResultStoreWorker::writePending);
}

ResultStoreWorker::~ResultStoreWorker()
{
    closeStore();
}

void ResultStoreWorker::start()
{
    m_importWaiting = QFileInfo::exists(m_fallbackPath);
    recoverProgress();
    writePending();
    if (m_pending.empty() && !m_progressKept.empty())
        keepProgress(UnitRecord(), false);
}

void ResultStoreWorker::hand(UnitRecord record)
{
    std::lock_guard<std::mutex> lock(m_handedMutex);
    m_handed.push_back({std::move(record), false});
    ++m_handedCount;
}

void ResultStoreWorker::handProgress(UnitRecord progress)
{
    std::lock_guard<std::mutex> lock(m_handedMutex);
    m_handed.push_back({std::move(progress), true});
    ++m_handedCount;
}

bool ResultStoreWorker::waitTaken(int ms)
{
    std::unique_lock<std::mutex> lock(m_handedMutex);
    const std::uint64_t handed = m_handedCount;
    return m_takenChanged.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms),
                                   [&] { return m_takenCount >= handed; });
}

void ResultStoreWorker::takeHanded()
{
    std::vector<Handed> handed;
    {
        std::lock_guard<std::mutex> lock(m_handedMutex);
        handed.swap(m_handed);
    }
    for (std::size_t i = 0; i < handed.size(); ++i) {
        if (!handed[i].progress)
            saveEnded(std::move(handed[i].unit));
        // Of progress handed in a row, the latest is all that counts.
        else if (i + 1 == handed.size() || !handed[i + 1].progress)
            keepProgress(handed[i].unit, false);
    }
    {
        std::lock_guard<std::mutex> lock(m_handedMutex);
        m_takenCount += handed.size();
    }
    m_takenChanged.notify_all();
}

void ResultStoreWorker::finish()
{
    takeHanded();
    close();
    deleteLater(); // run when the thread finishes
    QThread::currentThread()->quit();
}

void ResultStoreWorker::save(UnitRecord record)
{
    const QString unitId = QString::fromStdString(record.unitId);
    m_pending.push_back(std::move(record));
    if (!writePending())
        emit deferred(unitId);
}

void ResultStoreWorker::close()
{
    m_retry->stop();
    writePending();
    m_retry->stop();
    // The rest of a long fallback file is imported at the next start.
    m_nextStep->stop();
    if (!m_pending.empty()) {
        const std::vector<UnitRecord> units(std::make_move_iterator(m_pending.begin()),
                                            std::make_move_iterator(m_pending.end()));
        m_pending.clear();
        logLine(QStringLiteral("closing with %1 units never written: %2").arg(units.size()).arg(idsOf(units)));
        for (const UnitRecord &unit : units)
            if (!m_logged.count(unit.unitId))
                logUnit(unit);
    }
    closeStore();
}

bool ResultStoreWorker::writePending()
{
    if (m_pending.empty() && !m_importWaiting)
        return true;
    Failure failure;
    bool ok = false;
    // Two rounds at most: the store as it is, then a new one after a broken
    // one was moved aside.
    for (int round = 0; round < 2 && !ok; ++round) {
        failure = Failure();
        ok = ensureOpen(failure) && importFallback(failure) && writeAll(failure);
        if (ok)
            break;
        closeStore();
        if (!m_troubled)
            logLine(failure.logText);
        m_troubled = true;
        if (m_movedAside || !(failure.newerTool || storeTrouble::isBroken(failure.error)))
            break;
        putAside(failure);
    }
    if (ok) {
        m_logged.clear();
        if (m_troubled)
            logLine(QStringLiteral("units are written to %1 again").arg(m_settings.filePath));
        m_troubled = false;
        m_spillLogged = false;
        m_backoff.reset();
        return true;
    }
    spillPending();
    if (!m_retry->isActive())
        m_retry->start(m_backoff.nextDelayMs());
    return false;
}

void ResultStoreWorker::spillPending()
{
    if (m_pending.empty())
        return;
    const std::vector<UnitRecord> units(m_pending.begin(), m_pending.end());
    QString error;
    if (keepInFile(units, &error)) {
        m_pending.clear();
        m_logged.clear();
        if (!m_spillLogged)
            logLine(QStringLiteral("units go to %1 until the store takes them again").arg(m_fallbackPath));
        m_spillLogged = true;
        return;
    }
    // Not even the fallback file: memory is all that is left, bounded, and
    // each unit's line goes to the debug log the first time it stays there.
    logLine(QStringLiteral("%1; %2 units wait in memory").arg(error).arg(m_pending.size()));
    for (const UnitRecord &unit : m_pending)
        if (m_logged.insert(unit.unitId).second)
            logUnit(unit);
    while (m_pending.size() > m_settings.maxPending) {
        logLine(QStringLiteral("unit %1 dropped unwritten").arg(QString::fromStdString(m_pending.front().unitId)));
        m_pending.pop_front();
    }
}

bool ResultStoreWorker::ensureOpen(Failure &failure)
{
    if (m_open)
        return true;
    QDir().mkpath(QFileInfo(m_settings.filePath).absolutePath());
    resultStoreFile::Access access;
    access.journal = m_journal.journal();
    access.vfs = m_settings.vfs;
    resultStoreFile::Opened opened;
    {
        QSqlDatabase db =
            resultStoreFile::open(m_connection, m_settings.filePath, access, m_settings.busyTimeoutMs, &opened);
        if (db.isOpen()) {
            const int version = resultSchema::storedVersion(db, &failure.error);
            failure.newerTool = version > resultSchema::CurrentVersion;
            m_open = version >= 0 && resultSchema::migrate(db, resultSchema::CurrentVersion, &failure.error);
        } else {
            failure.error = opened.error;
        }
    }
    if (m_journal.opened(opened))
        logLine(QStringLiteral("%1: no WAL journal on this file system (%2); the rollback journal with every "
                               "commit synced is used instead")
                    .arg(m_settings.filePath, opened.journalNote));
    if (!m_open) {
        failure.logText = QStringLiteral("%1 cannot be used: %2").arg(m_settings.filePath, failure.error.text());
        resultStoreFile::release(m_connection);
    }
    return m_open;
}

bool ResultStoreWorker::importFallback(Failure &failure)
{
    if (!m_importWaiting)
        return true;
    m_importWaiting = false;
    QFile file(m_fallbackPath);
    if (!file.exists()) {
        m_import = Import();
        return true;
    }
    // A file that cannot be read is no trouble of the store's: the units in
    // memory still go in, and the next start tries the file again.
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("%1 cannot be read: %2").arg(m_fallbackPath, file.errorString()));
        return true;
    }
    // Put back by hand, or made anew: read from its start.
    if (file.size() < m_import.next.offset)
        m_import = Import();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString source = QFileInfo(m_fallbackPath).fileName();
    const unitFallbackFile::Reading reading = unitFallbackFile::read(
        file, m_import.next, ImportBatch, m_settings.importLinesPerStep, [&](unitFallbackFile::Batch &batch) {
            if (!batch.units.empty() &&
                !resultSchema::insertUnits(db, batch.units, m_settings.queueForLine, &failure.error)) {
                failure.logText = QStringLiteral("units of %1 not imported: %2 (%3)")
                                      .arg(m_fallbackPath, failure.error.text(), failure.error.nativeErrorCode());
                return false;
            }
            // Taken only once they are kept: a step tried again reads them again.
            if (!batch.damaged.empty()) {
                if (m_import.damagedPath.isEmpty())
                    m_import.damagedPath = unitFallbackFile::damagedPathFor(m_fallbackPath);
                QString error;
                if (!unitFallbackFile::appendDamaged(m_import.damagedPath, source, batch.damaged, &error)) {
                    failure.logText =
                        QStringLiteral("lines of %1 that are no unit cannot be kept: %2").arg(m_fallbackPath, error);
                    return false;
                }
            }
            for (const UnitRecord &unit : batch.units)
                emit saved(QString::fromStdString(unit.unitId));
            return true;
        });
    m_import.next = reading.next;
    m_import.units += reading.units;
    m_import.damaged += reading.damaged;
    if (!failure.logText.isEmpty()) {
        m_importWaiting = true;
        return false;
    }
    if (!reading.error.isEmpty()) {
        logLine(m_fallbackPath + QLatin1Char(' ') + reading.error);
        return true;
    }
    if (!reading.atEnd) {
        // The next step once the units waiting now are written.
        m_importWaiting = true;
        m_nextStep->start();
        return true;
    }
    file.close();
    const bool removed = QFile::remove(m_fallbackPath);
    logLine(QStringLiteral("%1 units imported from %2%3%4")
                .arg(m_import.units)
                .arg(m_fallbackPath,
                     m_import.damaged > 0
                         ? QStringLiteral("; %1 lines that are no unit are kept, each with the reason, "
                                          "in %2")
                               .arg(m_import.damaged)
                               .arg(m_import.damagedPath)
                         : QString(),
                     removed ? QString()
                             : QStringLiteral("; it could not be removed, its units are ignored when imported again")));
    m_import = Import();
    return true;
}

bool ResultStoreWorker::writeAll(Failure &failure)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    while (!m_pending.empty()) {
        const QString unitId = QString::fromStdString(m_pending.front().unitId);
        if (!resultSchema::insertUnit(db, m_pending.front(), m_settings.queueForLine, &failure.error)) {
            failure.logText = QStringLiteral("unit %1 not written: %2 (%3)")
                                  .arg(unitId, failure.error.text(), failure.error.nativeErrorCode());
            return false;
        }
        m_pending.pop_front();
        emit saved(unitId);
    }
    return true;
}

void ResultStoreWorker::closeStore()
{
    m_open = false;
    resultStoreFile::release(m_connection);
}

void ResultStoreWorker::putAside(const Failure &failure)
{
    m_movedAside = true;
    m_troubled = false;
    const QString reason =
        failure.error.databaseText().isEmpty() ? failure.error.text().trimmed() : failure.error.databaseText();
    QString error;
    const QString aside = storeAside::moveAside(m_settings.filePath, &error);
    if (aside.isEmpty()) {
        logLine(QStringLiteral("%1; it could not be moved aside: %2").arg(reason, error));
        return;
    }
    logLine(QStringLiteral("%1; moved to %2, a new store is started").arg(reason, aside));
    // An import cut short by the broken store starts over in the new one:
    // the units it had taken are in the store moved aside.
    m_import = Import();
    m_importWaiting = QFileInfo::exists(m_fallbackPath);
    if (m_settings.queueForLine)
        rescueQueued(aside);
    if (const int removed = storeAside::prune(m_settings.filePath, m_settings.vfs))
        logLine(QStringLiteral("%1 older aside stores without units removed").arg(removed));
}

void ResultStoreWorker::rescueQueued(const QString &aside)
{
    QString error;
    const qint64 rescued = storeAside::rescueQueued(aside, m_settings.vfs, m_fallbackPath, &error);
    if (rescued > 0) {
        m_importWaiting = true;
        logLine(QStringLiteral("%1 units still queued for the line store there go to the new store").arg(rescued));
    } else if (rescued < 0) {
        logLine(QStringLiteral("units queued for the line store in %1 cannot be read: %2").arg(aside, error));
    }
}

void ResultStoreWorker::saveEnded(UnitRecord record)
{
    // Kept as it ended before the store is tried: a kill while the store
    // keeps it waiting does not turn it back into the cut-short progress.
    keepProgress(record, true);
    const std::string unitId = record.unitId;
    save(std::move(record));
    if (!pending(unitId))
        keepProgress(UnitRecord(), false);
}

void ResultStoreWorker::keepProgress(const UnitRecord &unit, bool ended)
{
    // An empty unit: nothing is under test or waiting, the file goes.
    if (unit.unitId.empty()) {
        if (QFile::exists(m_progressPath) && !QFile::remove(m_progressPath))
            logLine(QStringLiteral("%1 cannot be removed; the next start records its unit again, once")
                        .arg(m_progressPath));
        m_progressKept.clear();
        return;
    }
    UnitRecord timeless = unit;
    timeless.endUtcMs = 0;
    std::string line = unitLine::write(timeless);
    if (!ended && line == m_progressKept)
        return;
    QString error;
    if (!unitProgressFile::write(m_progressPath, unit, &error)) {
        if (!m_progressTroubled)
            logLine(QStringLiteral("%1; a crash now loses the unit under test").arg(error));
        m_progressTroubled = true;
        return;
    }
    m_progressTroubled = false;
    m_progressKept = std::move(line);
}

void ResultStoreWorker::recoverProgress()
{
    UnitRecord unit;
    QString why;
    switch (unitProgressFile::read(m_progressPath, unit, &why)) {
    case unitProgressFile::Found::Nothing:
        return;
    case unitProgressFile::Found::Damaged: {
        const QString aside = unitFallbackFile::damagedPathFor(m_progressPath);
        logLine(QStringLiteral("%1 is no unit (%2); kept as %3")
                    .arg(m_progressPath, why, QFile::rename(m_progressPath, aside) ? aside : m_progressPath));
        return;
    }
    case unitProgressFile::Found::Unit:
        break;
    }
    logLine(unit.ended == UnitEnd::Crash
                ? QStringLiteral("unit %1 was under test when the tool ended without closing; it is recorded as "
                                 "incomplete, ended by a crash")
                      .arg(QString::fromStdString(unit.unitId))
                : QStringLiteral("unit %1 had ended but was not in the store when the tool ended; it is recorded now")
                      .arg(QString::fromStdString(unit.unitId)));
    // Removed once the store or the fallback file has it (start()).
    m_progressKept = unitLine::write(unit);
    m_pending.push_back(std::move(unit));
}

bool ResultStoreWorker::pending(const std::string &unitId) const
{
    for (const UnitRecord &unit : m_pending)
        if (unit.unitId == unitId)
            return true;
    return false;
}

bool ResultStoreWorker::keepInFile(const std::vector<UnitRecord> &units, QString *error)
{
    QDir().mkpath(QFileInfo(m_fallbackPath).absolutePath());
    if (!unitFallbackFile::append(m_fallbackPath, units, error))
        return false;
    m_importWaiting = true;
    return true;
}
