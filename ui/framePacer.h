#pragma once

#include <cstdint>

// At most one repaint of the window per frame, however many changes ask for
// one: a burst of keys from the unit (a rollover test, a key mashed) would
// otherwise repaint the page for each. A repaint asked for a frame or more
// after the last one happens at once, so a key on its own is shown without
// delay; one asked for sooner is held until that frame has passed, and
// whatever else changes meanwhile joins it.
class FramePacer
{
public:
    explicit FramePacer(std::int64_t frameUs) : m_frameUs(frameUs > 0 ? frameUs : 1) {}

    // How long a repaint asked for at nowUs is to be held: 0 for at once.
    std::int64_t holdUs(std::int64_t nowUs) const;
    // A repaint happened at nowUs.
    void painted(std::int64_t nowUs)
    {
        m_lastPaintUs = nowUs;
        m_painted = true;
    }

    std::int64_t frameUs() const { return m_frameUs; }

private:
    std::int64_t m_frameUs;
    std::int64_t m_lastPaintUs = 0;
    bool m_painted = false;
};
