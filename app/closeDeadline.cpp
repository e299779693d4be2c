#include "closeDeadline.h"

#include <chrono>

CloseDeadline::CloseDeadline(std::function<void()> expired) : m_expired(std::move(expired)) {}

CloseDeadline::~CloseDeadline()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_disarmed = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CloseDeadline::arm(int ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_armed || m_disarmed)
        return;
    m_armed = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    m_thread = std::thread([this, until] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_until(lock, until, [this] { return m_disarmed; }))
            return;
        lock.unlock();
        m_expired();
    });
}
