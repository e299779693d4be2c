#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Bounds the program's close. A close that hangs (a line server that does not
// answer, a device that does not let go) must not keep a shutdown or the
// operator waiting, and must not be cut short by the system's next signal
// either: once armed, the close has its time, and when that runs out the
// action given here ends the process. What matters is on disk by then: the
// store's writer takes a unit within about a second, or it goes to the
// fallback file.
class CloseDeadline
{
public:
    explicit CloseDeadline(std::function<void()> expired);
    // Disarms: a close that finished in time ends nothing.
    ~CloseDeadline();

    CloseDeadline(const CloseDeadline &) = delete;
    CloseDeadline &operator=(const CloseDeadline &) = delete;

    // The first call starts the count; later ones change nothing, so a close
    // is never given more time than the first request allowed.
    void arm(int ms);

private:
    std::function<void()> m_expired;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_armed = false;
    bool m_disarmed = false;
    std::thread m_thread;
};
