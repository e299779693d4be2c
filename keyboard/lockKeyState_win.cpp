#include "lockKeyState.h"

#include <windows.h>

namespace {

class windowsLockKeyState : public lockKeyState
{
public:
    bool isToggled(int vkCode) override
    {
        if (vkCode != VK_CAPITAL && vkCode != VK_NUMLOCK && vkCode != VK_SCROLL)
            return false;
        return (GetKeyState(vkCode) & 1) != 0;
    }
};

} // namespace

std::unique_ptr<lockKeyState> lockKeyState::createSystem()
{
    return std::make_unique<windowsLockKeyState>();
}
