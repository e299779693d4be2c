#pragma once

// Caps, Num and Scroll Lock of the keyboard under test while its keys are
// taken from its own input devices: the system never sees them then, so the
// tool keeps the toggles from the unit's key events, shows them on the page
// and lights the unit's own LEDs from them, as the system would.
class UnitLockState
{
public:
    // Linux input codes of the three keys and of their LEDs.
    static constexpr int CapsLockKey = 58;
    static constexpr int NumLockKey = 69;
    static constexpr int ScrollLockKey = 70;
    static constexpr int NumLockLed = 0;
    static constexpr int CapsLockLed = 1;
    static constexpr int ScrollLockLed = 2;

    // Starts from what the unit's LEDs show.
    void setLeds(bool numLock, bool capsLock, bool scrollLock);

    // One key event (value 1 press, 0 release, 2 automatic repeat): a press of
    // a lock key toggles it; true when it did.
    bool handleKey(int evdevCode, int value);

    // By Windows virtual-key code, as the page asks: Caps Lock 20, Num Lock
    // 144, Scroll Lock 145; false for any other code.
    bool isToggled(int vkCode) const;
    // By LED code (NumLockLed, CapsLockLed, ScrollLockLed); false for others.
    bool ledOn(int ledCode) const;

    bool numLock() const { return m_numLock; }

private:
    bool m_numLock = false;
    bool m_capsLock = false;
    bool m_scrollLock = false;
};
