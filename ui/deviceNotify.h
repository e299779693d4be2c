#pragma once

#include <cstdint>
#include <vector>

// Asking the system to tell the window when USB device interfaces arrive or go.
// One implementation per platform, chosen by the build; the window only logs
// what failed and never depends on how the notifications are delivered.
namespace deviceNotify {

// Whether registering needs the window's native handle. Where it does not, the
// caller must not force one into existence just to pass it here.
bool needsWindowHandle();

// Registers the window for arrival and removal notifications of the USB device
// and disk interface classes, in that order, each on its own. Returns the
// system's error code of every registration that failed (empty when all took).
std::vector<unsigned long> registerDeviceNotify(std::uintptr_t windowHandle);

} // namespace deviceNotify
