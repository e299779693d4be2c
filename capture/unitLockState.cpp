#include "unitLockState.h"

void UnitLockState::setLeds(bool numLock, bool capsLock, bool scrollLock)
{
    m_numLock = numLock;
    m_capsLock = capsLock;
    m_scrollLock = scrollLock;
}

bool UnitLockState::handleKey(int evdevCode, int value)
{
    // Only the first press toggles; a held lock key's repeats do not.
    if (value != 1)
        return false;
    switch (evdevCode) {
    case CapsLockKey:
        m_capsLock = !m_capsLock;
        return true;
    case NumLockKey:
        m_numLock = !m_numLock;
        return true;
    case ScrollLockKey:
        m_scrollLock = !m_scrollLock;
        return true;
    default:
        return false;
    }
}

bool UnitLockState::isToggled(int vkCode) const
{
    switch (vkCode) {
    case 20:
        return m_capsLock;
    case 144:
        return m_numLock;
    case 145:
        return m_scrollLock;
    default:
        return false;
    }
}

bool UnitLockState::ledOn(int ledCode) const
{
    switch (ledCode) {
    case NumLockLed:
        return m_numLock;
    case CapsLockLed:
        return m_capsLock;
    case ScrollLockLed:
        return m_scrollLock;
    default:
        return false;
    }
}
