#pragma once

#include "resultStoreFile.h"
#include "retryBackoff.h"
#include "unitFallbackFile.h"
#include "unitRecord.h"

#include <QObject>
#include <QSqlError>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

class QTimer;

// The station store's writer. Lives on the store's own thread and is the only
// code that writes units to results.sqlite, so the GUI thread never waits on
// the disk. A unit the store does not take (within its busy timeout, about a
// second) goes at once to the fallback file beside the store
// (unitFallbackFile.h), synced to disk, and the store imports it from there as
// soon as it takes units again, tried less often the longer the trouble lasts.
// Only when even that file cannot be written do units wait in memory. Only a
// store that SQLite calls broken, or one of a newer tool, is moved aside, at
// most once per start.
class ResultStoreWorker : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QString filePath;
        bool queueForLine = false;
        int busyTimeoutMs = 1000;
        int retryMs = 5000;      // the first wait before the store is tried again
        int retryMostMs = 60000; // the longest
        // Units kept in memory (the fallback file cannot be written either)
        // beyond this are logged in full and dropped, oldest first.
        std::size_t maxPending = 10000;
        // Lines of the fallback file imported in one step.
        qint64 importLinesPerStep = unitFallbackFile::LinesPerStep;
        QString vfs; // see resultStoreFile::Access
    };

    explicit ResultStoreWorker(const Settings &settings);
    ~ResultStoreWorker() override;

    // From any thread: the unit waits for takeHanded() on the worker's thread.
    void hand(UnitRecord record);
    // From any thread: the unit under test as the store is to record it
    // should the tool stop now (unitProgressFile.h); kept on disk in turn
    // with the units handed.
    void handProgress(UnitRecord progress);
    // From any thread: waits until every unit handed so far is in the store
    // or in the fallback file (or, when neither can be written, logged and
    // kept in memory). False when that took longer than ms.
    bool waitTaken(int ms);

    // All on the worker's thread.
    // Records the unit a previous run left under test, and imports what it
    // left in the fallback file.
    Q_INVOKABLE void start();
    // Saves the handed units and keeps the progress, in the order handed.
    Q_INVOKABLE void takeHanded();
    void save(UnitRecord record);
    void close();
    // The last job: what was handed is saved or kept, the store closed, and
    // the worker ends with its thread.
    Q_INVOKABLE void finish();

signals:
    void saved(const QString &unitId);
    // Not in the store yet: in the fallback file, or in memory.
    void deferred(const QString &unitId);

private:
    // Why the store did not take the units, and the line that tells it.
    struct Failure
    {
        QSqlError error;
        bool newerTool = false;
        QString logText;
    };

    // False when the store did not take them (they are in the fallback file
    // then, or in memory).
    bool writePending();
    bool ensureOpen(Failure &failure);
    bool importFallback(Failure &failure);
    bool writeAll(Failure &failure);
    // The units the store did not take, to the fallback file.
    void spillPending();
    void closeStore();
    void putAside(const Failure &failure);
    // Units the old store had queued for the line store go to the new one.
    void rescueQueued(const QString &aside);
    bool keepInFile(const std::vector<UnitRecord> &units, QString *error);
    // The progress file: the unit under test, or one ended until it is safe.
    void recoverProgress();
    void keepProgress(const UnitRecord &unit, bool ended);
    void saveEnded(UnitRecord record);
    bool pending(const std::string &unitId) const;

    Settings m_settings;
    QString m_fallbackPath;
    QString m_progressPath;
    std::string m_progressKept; // the line last kept there, its end time left out
    bool m_progressTroubled = false;
    QString m_connection;
    resultStoreFile::JournalChoice m_journal;
    bool m_open = false;
    bool m_movedAside = false;    // at most once per start
    bool m_troubled = false;      // the store's trouble was logged, retries are not
    bool m_spillLogged = false;   // units going to the fallback file was logged
    bool m_importWaiting = false; // the fallback file has units for the store
    // The import of the fallback file under way, step by step.
    struct Import
    {
        unitFallbackFile::Position next;
        qint64 units = 0;
        qint64 damaged = 0;
        QString damagedPath; // made at its first damaged line
    };
    Import m_import;
    std::deque<UnitRecord> m_pending;
    // Of the units waiting in memory, those whose line is in the debug log:
    // with neither the store nor the fallback file, the log is the one place
    // a crash leaves them.
    std::set<std::string> m_logged;
    // Units handed over from other threads, not yet taken.
    std::mutex m_handedMutex;
    std::condition_variable m_takenChanged;
    struct Handed
    {
        UnitRecord unit;
        bool progress = false;
    };
    std::vector<Handed> m_handed;
    std::uint64_t m_handedCount = 0; // both under m_handedMutex
    std::uint64_t m_takenCount = 0;
    RetryBackoff m_backoff;
    QTimer *m_retry = nullptr;
    QTimer *m_nextStep = nullptr;
};
