#include "deviceNotify.h"

// Under Linux nothing is registered with the window: device arrival and removal
// are watched on udev's netlink socket instead, which needs no window at all.
// Until that watcher is in place the tool connects to a keyboard found at start
// or on a device selection, and does not follow plugging.

namespace deviceNotify {

bool needsWindowHandle()
{
    return false;
}

std::vector<unsigned long> registerDeviceNotify(std::uintptr_t)
{
    return {};
}

} // namespace deviceNotify
