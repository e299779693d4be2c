#pragma once

#include <bitset>
#include <cstdint>

// A key event as the Windows low-level keyboard hook reports the same
// physical key: virtual-key code (US layout), set-1 scan code without its E0
// prefix, and flags (1 extended, 32 Alt held, 128 released).
struct WinKeyEvent
{
    std::uint32_t vkCode = 0; // 0: the key has no Windows counterpart
    std::uint32_t scanCode = 0;
    std::uint32_t flags = 0;

    bool isValid() const { return vkCode != 0; }
};

// Linux input event codes (X keycode - 8) that the translation knows.
constexpr int EvdevKeyCodeCount = 256;

// Pure: translates one Linux key event. altDown is whether an Alt key is down
// with this event taken into account (so an Alt press carries 32 and its
// release does not). Keypad keys depend on numLockOn: digits and the decimal
// point with it on, the navigation codes without the extended flag with it off.
// Never sets the injected flag: nothing tells a synthetic key from a real one.
// An unknown or out-of-range code gives an invalid event.
WinKeyEvent translateEvdevKey(int evdevCode, bool pressed, bool numLockOn, bool altDown);

// Which keys are down, so that the Alt flag and the Ctrl state follow the
// events themselves rather than a later query of the keyboard.
class EvdevKeyboardState
{
public:
    // Records the event, then translates it. A press of a key already down is
    // the key's automatic repeat and translates like the first press.
    WinKeyEvent handleKey(int evdevCode, bool pressed, bool numLockOn);

    // For keys that were already down when watching started.
    void setDown(int evdevCode, bool down);
    void clear() { m_down.reset(); }

    bool isDown(int evdevCode) const;
    bool ctrlDown() const;
    bool altDown() const;

private:
    std::bitset<EvdevKeyCodeCount> m_down;
};
