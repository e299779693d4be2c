#include "deviceEventQueue.h"

bool DeviceEventQueue::sameAsLast(const DeviceEvent &event) const
{
    const DeviceEvent *last = !m_waiting.empty() ? &m_waiting.back() : (m_running ? &m_current : nullptr);
    return last && last->kind == event.kind && last->text == event.text;
}

bool DeviceEventQueue::push(const DeviceEvent &event)
{
    if (m_closed || sameAsLast(event))
        return false;
    if (!m_running) {
        m_running = true;
        m_current = event;
        return true;
    }
    if (m_waiting.size() >= MaxWaiting)
        m_waiting.pop_front();
    m_waiting.push_back(event);
    return false;
}

bool DeviceEventQueue::finish(DeviceEvent *next)
{
    m_running = false;
    if (m_closed || m_waiting.empty())
        return false;
    m_current = m_waiting.front();
    m_waiting.pop_front();
    m_running = true;
    if (next)
        *next = m_current;
    return true;
}

void DeviceEventQueue::close()
{
    m_closed = true;
    m_waiting.clear();
}
