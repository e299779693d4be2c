#include "deviceKeyTranslation.h"

bool DeviceKeyTranslator::handle(const InputEventRecord &event, DeviceKeyEvent *out)
{
    if (event.type == EvMsc && event.code == MscScan) {
        // Comes before its key within the same frame.
        m_pendingScan = static_cast<std::uint32_t>(event.value);
        return false;
    }
    if (event.type == EvSyn) {
        if (event.code == SynReport)
            m_pendingScan = 0;
        return false;
    }
    if (event.type != EvKey || (event.value != 0 && event.value != 1))
        return false;

    const int code = event.code;
    const bool pressed = event.value == 1;
    DeviceKeyEvent key;
    key.lockToggled = m_locks.handleKey(code, event.value);
    key.key = m_keys.handleKey(code, pressed, m_locks.numLock());
    key.ctrlDown = m_keys.ctrlDown();
    key.timeUs = event.timeUs;
    key.evdevCode = code;
    key.deviceScan = m_pendingScan;
    m_pendingScan = 0;
    *out = key;
    return true;
}

void DeviceKeyTranslator::clear()
{
    m_keys.clear();
    m_pendingScan = 0;
}
