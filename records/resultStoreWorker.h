#pragma once

#include "unitRecord.h"

#include <QObject>
#include <QString>

#include <deque>

class QTimer;

// The station store's writer. Lives on the store's own thread and is the only
// code that writes units to results.sqlite, so the GUI thread never waits on
// the disk. A store that cannot be opened, read or written is moved aside and
// a new one started; units that still cannot be written wait here in memory
// and are tried again.
class ResultStoreWorker : public QObject
{
    Q_OBJECT

public:
    // Units waiting beyond this are dropped oldest first, with a log line: a
    // station that cannot write for that long has a problem no memory fixes.
    static constexpr std::size_t MaxPending = 10000;

    ResultStoreWorker(const QString &filePath, bool queueForLine, int busyTimeoutMs, int retryMs);
    ~ResultStoreWorker() override;

    // All on the worker's thread.
    void save(UnitRecord record);
    void close();

signals:
    void saved(const QString &unitId);
    void keptInMemory(const QString &unitId);

private:
    bool ensureOpen();
    void closeStore();
    void moveAside(const QString &reason);
    void writePending();

    QString m_filePath;
    QString m_connection;
    bool m_queueForLine = false;
    int m_busyTimeoutMs = 0;
    bool m_open = false;
    std::deque<UnitRecord> m_pending;
    QTimer *m_retry = nullptr;
};
