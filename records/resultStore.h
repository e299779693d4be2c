#pragma once

#include "unitFallbackFile.h"
#include "unitRecord.h"

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

class QThread;
class QTimer;
class ResultStoreWorker;
class LineForwarder;

// The station's record of every unit tested: results.sqlite in the data
// folder beside Config.ini. save() only hands the unit over; it is written on
// the store's own thread, and when Config.ini names a line store ([results]
// url), queued there in the same transaction and sent on by a second thread.
// Nothing here ever blocks the caller or asks the operator anything: troubles
// go to the debug log. A unit the store cannot take is never dropped: within
// about a second it is in results-unwritten.txt beside the store, synced to
// disk, and the store imports it from there once it takes units again.
class ResultStore : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        int busyTimeoutMs = 1000;       // a store locked longer refuses the unit for now
        int retryMs = 5000;             // a refusing store is tried again after this,
        int retryMostMs = 60000;        // then ever less often, up to this
        std::size_t maxPending = 10000; // units in memory (no fallback file either) past this are dropped
        // Fallback file lines imported between the writes of new units.
        qint64 importLinesPerStep = unitFallbackFile::LinesPerStep;
        int forwardIntervalMs = 2000; // the line store's queue is looked at this often
        int closeWaitMs = 3000;       // at close, the line store's sender's wait that is logged
        int progressMs = 2000;        // how often the unit under test is kept on disk
        QString lineUrl;              // overrides [results] url when not empty
        QString sqliteVfs;            // tests: an SQLite VFS by name (resultStoreFile::Access)
    };

    explicit ResultStore(const QString &dataDir, QObject *parent = nullptr);
    ResultStore(const QString &dataDir, const Options &options, QObject *parent = nullptr);
    // Writes what is still waiting (or keeps it in the fallback file), then
    // stops and joins both threads; the line store's sender ends once its
    // connect or batch in flight does, within their timeouts.
    ~ResultStore() override;

    void save(UnitRecord record);
    // From now on, every Options::progressMs, the unit under test as
    // progress gives it (none while no unit runs) is kept on disk, so a crash
    // or a power cut leaves it recorded as incomplete at the next start.
    using Progress = std::function<std::optional<UnitRecord>(std::int64_t utcMs)>;
    void followProgress(Progress progress);
    // Blocks until every unit saved so far is in the store or the fallback
    // file, for at most ms; false when that was not enough. For the moment
    // the system may end the process without another word.
    bool flush(int ms);

    QString filePath() const { return m_filePath; }
    bool forwardsToLine() const { return m_forwarder != nullptr; }

signals:
    void saved(const QString &unitId);
    // The unit could not be written to the store now: it waits in the
    // fallback file (or memory) and is taken in later.
    void deferred(const QString &unitId);
    // Units the line store committed in one batch.
    void forwarded(int count);

private:
    void takeProgress();

    QString m_filePath;
    Progress m_progress;
    QTimer *m_progressTimer = nullptr;
    Options m_options;
    QThread *m_writerThread = nullptr;
    ResultStoreWorker *m_worker = nullptr;
    QThread *m_forwarderThread = nullptr;
    LineForwarder *m_forwarder = nullptr;
};
