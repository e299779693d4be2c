#pragma once

#include <QSharedMemory>
#include <QString>

// Keeps a second copy of the tool from starting while one runs, through a named
// 1-byte shared-memory segment that exists as long as the running copy holds it.
//
// Where the system keeps such a segment after its creator died (System V shared
// memory on Unix), a crashed copy would otherwise block every later start; the
// guard first drops a segment that no live process is attached to. A running
// copy stays attached to its segment, so it is never dropped.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);
    ~SingleInstanceGuard() = default;

    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    // True when this process now holds the segment; false when another live
    // process holds it, or the segment cannot be created for any other reason.
    bool acquire();

    // Gives the segment up before destruction (the destructor does the same).
    void release();

    bool isHeld() const { return m_memory.isAttached(); }
    QString errorString() const { return m_memory.errorString(); }

private:
    void dropOrphanedSegment() const;

    QString m_key;
    QSharedMemory m_memory;
};
