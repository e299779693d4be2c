#pragma once

#include <memory>

// Where the keyboard page reads the system's lock toggle states from.
class lockKeyState
{
public:
    virtual ~lockKeyState() = default;

    // Toggle state of Caps Lock (20), Num Lock (144) or Scroll Lock (145).
    // False for any other code and whenever the state cannot be read.
    virtual bool isToggled(int vkCode) = 0;

    // The platform's own source (one implementation file per platform).
    static std::unique_ptr<lockKeyState> createSystem();
};
