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
//
// A segment (or the semaphore that serialises access to it) left by a copy that
// ran as another user, typically with sudo, cannot be dropped this way: this
// user may not even open it. The start is refused as usual, and the log says why
// and how to clear it.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);
    ~SingleInstanceGuard() = default;

    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    // True when this process now holds the segment; false when another live
    // process holds it, or the segment cannot be created for any other reason.
    // A refusal because the guard belongs to another user logs refusalNote().
    bool acquire();

    // Gives the segment up before destruction (the destructor does the same).
    void release();

    bool isHeld() const { return m_memory.isAttached(); }
    QString errorString() const { return m_memory.errorString(); }

    // The line that explains a refusal beyond the usual refusal line, given how
    // the attempt to drop an orphaned segment and then the creation failed; an
    // empty text when there is nothing more to say (another copy of this user
    // simply runs).
    static QString refusalNote(QSharedMemory::SharedMemoryError probeError,
                               QSharedMemory::SharedMemoryError createError, const QString &key);

private:
    QSharedMemory::SharedMemoryError dropOrphanedSegment() const;

    QString m_key;
    QSharedMemory m_memory;
};
