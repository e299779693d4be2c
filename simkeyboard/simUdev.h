#pragma once

// The drop-in's stand-in for libudev's monitor (simUdev.cpp): while
// TKT_SIM_CONTROL is set, a netlink monitor made by the program is a fake one
// that reports the simulated keyboards' plugging as the USB device's own
// event; every other libudev object and call goes to the real library.

#include <cstdint>

namespace sim {

// Queues one "add" or "remove" event to every fake monitor that receives.
void postUdevPlugEvent(uint16_t vid, uint16_t pid, int keyboard, bool plugged);

} // namespace sim
