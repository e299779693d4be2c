#pragma once

#include "evdevKeyTranslation.h"
#include "unitLockState.h"

#include <cstdint>

// One event read from an input device node, as the kernel gives it: type,
// code, value and its own time (CLOCK_MONOTONIC, microseconds).
struct InputEventRecord
{
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;
    std::int64_t timeUs = 0;
};

// What one key event of the unit comes to.
struct DeviceKeyEvent
{
    // Invalid (vkCode 0) for a key without a Windows counterpart.
    WinKeyEvent key;
    bool ctrlDown = false;
    std::int64_t timeUs = 0;
    int evdevCode = 0;
    // The scan code the device sent with the key (for USB the HID usage,
    // 0x70004 for A); 0 when it sent none.
    std::uint32_t deviceScan = 0;
    // A lock key toggled: the unit's LEDs are to follow.
    bool lockToggled = false;
};

// Turns the events of the unit's input devices into the key events the other
// sources give: the same virtual-key code, scan code and flags, with the
// kernel's time. Automatic repeats (value 2) give nothing, as they are never
// shown twice. Keeps the unit's lock state, whose Num Lock decides what the
// keypad keys are.
class DeviceKeyTranslator
{
public:
    static constexpr std::uint16_t EvSyn = 0;
    static constexpr std::uint16_t EvKey = 1;
    static constexpr std::uint16_t EvMsc = 4;
    static constexpr std::uint16_t MscScan = 4;
    static constexpr std::uint16_t SynReport = 0;

    // True with *out filled for a key event to hand on (a key without a
    // Windows counterpart included, so it can be logged); false otherwise.
    bool handle(const InputEventRecord &event, DeviceKeyEvent *out);

    // Keys already down when capture starts (Ctrl held, say).
    void setDown(int evdevCode, bool down) { m_keys.setDown(evdevCode, down); }
    // Held keys and a pending scan code go; the lock state stays.
    void clear();
    // A scan code read from one node never belongs to another's key.
    void endFrame() { m_pendingScan = 0; }

    UnitLockState &locks() { return m_locks; }
    const UnitLockState &locks() const { return m_locks; }

private:
    EvdevKeyboardState m_keys;
    UnitLockState m_locks;
    std::uint32_t m_pendingScan = 0;
};
