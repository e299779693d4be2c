#pragma once

#include <cstdint>
#include <memory>
#include <string>

class UnitLockState;

// The keyboard whose own keys the device source takes: the platform's ids and,
// once the link is open, the node of its vendor interface, which tells this
// unit from another of the same platform.
struct KeyboardUnderTest
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string linkPath;

    bool known() const { return vendorId != 0 || productId != 0; }
    bool operator==(const KeyboardUnderTest &other) const
    {
        return vendorId == other.vendorId && productId == other.productId && linkPath == other.linkPath;
    }
    bool operator!=(const KeyboardUnderTest &other) const { return !(*this == other); }
};

// One way of taking the key test's keys: the keyboard's own input devices, or
// the whole display. Each key it takes goes through keyboardHookCore().
class CaptureBackend
{
public:
    virtual ~CaptureBackend() = default;

    // False with the reason in *why (words for the log) when it cannot start;
    // nothing of it is left in place then.
    virtual bool start(const KeyboardUnderTest &unit, std::string *why) = 0;
    // Whatever part of it is in place goes.
    virtual void stop() = 0;
    // False once stopped, or once everything it captured from is gone.
    virtual bool isActive() const = 0;
    // What it captures from, for the log.
    virtual std::string describe() const = 0;
    // The unit's own lock keys while it captures them (the system never sees
    // them then); null where the system's lock state is the one to show.
    virtual const UnitLockState *unitLocks() const { return nullptr; }
};

// One implementation file each, chosen by the build.
std::unique_ptr<CaptureBackend> makeDeviceCapture();
std::unique_ptr<CaptureBackend> makeDisplayCapture();
