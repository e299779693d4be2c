#pragma once

// The keyboard firmware's side of the vendor interface, as a pure function of
// the frame it was sent: which frames it answers with, in order. Shared by the
// simulated keyboard behind hidapi and by the firmware program that runs on a
// USB gadget, so both peers answer alike. No locks, no I/O, no hidapi.

#include "simKeyboard.h"

#include <cstdint>
#include <vector>

namespace sim {

using Frame = std::vector<uint8_t>;

// What the firmware remembers between frames.
struct FirmwareState
{
    int identityQueries = 0;
    bool liveKeyDown = false;
};

// The frames the firmware sends back for one frame written to it (length bytes
// at data). Empty for frames that need no answer or that it does not know.
std::vector<Frame> firmwareAnswers(const SimKeyboardConfig &config, FirmwareState &state, const uint8_t *data,
                                   int length);

// The next unasked key-state report: the device-only key 1010 down, then up,
// alternately.
Frame nextLiveKeyStateFrame(FirmwareState &state);

} // namespace sim
