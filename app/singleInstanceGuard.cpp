#include "singleInstanceGuard.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : m_key(key), m_memory(key) {}

bool SingleInstanceGuard::acquire()
{
    if (m_memory.isAttached())
        return true;
    dropOrphanedSegment();
    return m_memory.create(1, QSharedMemory::ReadWrite);
}

void SingleInstanceGuard::release()
{
    if (m_memory.isAttached())
        m_memory.detach();
}

void SingleInstanceGuard::dropOrphanedSegment() const
{
    // Qt removes a segment when the last attached process detaches from it. A
    // segment left by a dead process has nobody attached, so attaching and
    // detaching here removes it; a live holder keeps its own attachment, so the
    // segment survives and create() below fails as it should.
    QSharedMemory probe(m_key);
    if (probe.attach(QSharedMemory::ReadOnly))
        probe.detach();
}
