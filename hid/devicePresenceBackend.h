#pragma once

// What each platform supplies to DevicePresence. Exactly one
// devicePresence_<platform>.cpp is built, and it defines makePresenceBackend.

#include "deviceChange.h"

#include <cstdint>
#include <memory>
#include <vector>

class DevicePresence;

class PresenceBackend
{
public:
    virtual ~PresenceBackend() = default;
    virtual bool needsWindowHandle() const = 0;
    virtual std::vector<unsigned long> start(std::uintptr_t windowHandle) = 0;
    // Describes a native window message in platform-free terms; false when it
    // is not a device change message (or the platform has none).
    virtual bool readNativeMessage(const void *message, deviceChange::WindowsDeviceMessage &out) const = 0;
};

// The backend reports what it observes through presence's public interface.
std::unique_ptr<PresenceBackend> makePresenceBackend(DevicePresence &presence);
