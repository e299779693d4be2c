#pragma once

#include <cstdint>
#include <deque>
#include <string>

// Device events reach the window faster than it can handle them: one plug can
// bring an arrival while the previous removal is still closing the link, an
// operator can pick another keyboard in the list in the middle of both. Each
// of them runs a sequence with waits in it, and two sequences interleaved open
// a link twice or show a dead link as connected. So the window runs them one
// at a time from here, in order, and an event that repeats the one waiting
// before it is dropped.
enum class DeviceEventKind
{
    Arrival,
    Removal,
    LinkLost, // reads failed in a row: handled as a removal, without asking the bus
    Selection,
};

struct DeviceEvent
{
    DeviceEventKind kind = DeviceEventKind::Arrival;
    std::string text; // the interface path, or the chosen list entry
};

class DeviceEventQueue
{
public:
    // A burst of notifications for one plug must not run more than a few
    // sequences; beyond this the oldest waiting events go.
    static constexpr std::size_t MaxWaiting = 16;

    // True when nothing runs: the caller starts the event at once (it is then
    // the running one). Otherwise it waits its turn.
    bool push(const DeviceEvent &event);
    // The running sequence ended. True and the next event (now running) when
    // one waits.
    bool finish(DeviceEvent *next);
    bool busy() const { return m_running; }
    std::size_t waiting() const { return m_waiting.size(); }
    // The window closes: nothing waiting runs, nothing new is taken.
    void close();
    bool closed() const { return m_closed; }

private:
    bool sameAsLast(const DeviceEvent &event) const;

    std::deque<DeviceEvent> m_waiting;
    DeviceEvent m_current;
    bool m_running = false;
    bool m_closed = false;
};
