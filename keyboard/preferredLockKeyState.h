#pragma once

#include "lockKeyState.h"

#include <functional>
#include <memory>

// Lock toggle states from a first source that may not know (it answers -1),
// otherwise from a fallback: the keyboard under test's own locks while its
// keys are taken from it alone, the system's the rest of the time.
class preferredLockKeyState : public lockKeyState
{
public:
    // first answers 1 (on), 0 (off) or -1 (ask the fallback).
    preferredLockKeyState(std::function<int(int vkCode)> first, std::unique_ptr<lockKeyState> fallback);

    bool isToggled(int vkCode) override;

private:
    std::function<int(int)> m_first;
    std::unique_ptr<lockKeyState> m_fallback;
};
