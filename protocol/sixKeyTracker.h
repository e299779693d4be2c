#pragma once

#include <array>
#include <cstdint>

// How a key-state answer changes the on-screen state of the device-only key 1010.
enum class Key1010Mark
{
    None,
    Down,
    Released
};

// Keeps the boot-style six-key report that is echoed after every key-state answer: byte 0 the
// modifier bits, byte 1 always 0, bytes 2-7 the usages in the order they were pressed, free slots 0.
//
// Used only on the thread that handles answers, one answer at a time, so the state needs no lock.
class SixKeyTracker
{
public:
    // Applies one key-state block (bytes 6-13 of the answer): presses first (modifier bits newly set,
    // then usages newly present), then releases (bits cleared, usages gone), then remembers it.
    void applyKeyState(const std::array<std::uint8_t, 8> &now);
    // One press or release. 0xE0-0xE7 are modifier bits; other usages 1-255 take the next free slot
    // (a seventh key is dropped, a usage already held is not stored twice) and leave with the
    // following slots moved down. Anything else changes nothing.
    void updateSixKeyReport(int usage, bool pressed);
    const std::array<std::uint8_t, 8> &sixKeyReport() const { return m_sixKeyReport; }
    // Byte 14 of a key-state answer: the toggle rule of key 1010.
    Key1010Mark applyKey1010(std::uint8_t byte14);

private:
    std::array<std::uint8_t, 8> m_lastKeyReport{};
    std::array<std::uint8_t, 8> m_sixKeyReport{};
    int m_sixKeyIndex = 2; // next free usage slot, 2..8
    bool m_isKey1010Down = false;
};

// 1 -> 224, 2 -> 225, ... 128 -> 231; anything else -1.
int specialKeyDec(int modifierBit);
