#include "framePacer.h"

std::int64_t FramePacer::holdUs(std::int64_t nowUs) const
{
    if (!m_painted)
        return 0;
    const std::int64_t due = m_lastPaintUs + m_frameUs;
    return nowUs >= due ? 0 : due - nowUs;
}
