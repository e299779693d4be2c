#include "preferredLockKeyState.h"

preferredLockKeyState::preferredLockKeyState(std::function<int(int)> first, std::unique_ptr<lockKeyState> fallback)
    : m_first(std::move(first)), m_fallback(std::move(fallback))
{
}

bool preferredLockKeyState::isToggled(int vkCode)
{
    const int answer = m_first ? m_first(vkCode) : -1;
    if (answer >= 0)
        return answer != 0;
    return m_fallback && m_fallback->isToggled(vkCode);
}
