#include "singleInstanceGuard.h"

#include <QDebug>

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : m_key(key), m_memory(key) {}

bool SingleInstanceGuard::acquire()
{
    if (m_memory.isAttached())
        return true;
    const QSharedMemory::SharedMemoryError probeError = dropOrphanedSegment();
    if (m_memory.create(1, QSharedMemory::ReadWrite))
        return true;
    const QString note = refusalNote(probeError, m_memory.error(), m_key);
    if (!note.isEmpty())
        qDebug().noquote() << note;
    return false;
}

void SingleInstanceGuard::release()
{
    if (m_memory.isAttached())
        m_memory.detach();
}

QString SingleInstanceGuard::refusalNote(QSharedMemory::SharedMemoryError probeError,
                                         QSharedMemory::SharedMemoryError createError, const QString &key)
{
    // A segment of another user that this one may not open still makes create()
    // report only that it exists; then the probe is what saw the permission fail.
    if (probeError != QSharedMemory::PermissionDenied && createError != QSharedMemory::PermissionDenied)
        return QString();
    return QStringLiteral("--------------- single-instance guard \"%1\" is held by another user (permission denied): "
                          "if no copy of the tool runs, that user or root must remove its leftovers "
                          "(list them with ipcs -m -s, remove them with ipcrm -m <shmid> -s <semid>), "
                          "or reboot -----------------")
        .arg(key);
}

QSharedMemory::SharedMemoryError SingleInstanceGuard::dropOrphanedSegment() const
{
    // Qt removes a segment when the last attached process detaches from it. A
    // segment left by a dead process has nobody attached, so attaching and
    // detaching here removes it; a live holder keeps its own attachment, so the
    // segment survives and create() below fails as it should.
    QSharedMemory probe(m_key);
    if (!probe.attach(QSharedMemory::ReadOnly))
        return probe.error();
    probe.detach();
    return QSharedMemory::NoError;
}
