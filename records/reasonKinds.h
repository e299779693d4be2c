#pragma once

#include "unitVerdict.h"

#include <string>
#include <vector>

// The kinds of a unit's reasons as fixed words, kept in the record beside the
// reasons' text: figures count them without reading a sentence that a later
// version may word differently. A word is never renamed once released.
namespace reasonKinds {

// "chatter", "keyCheck", "calibration", "firmware", "settings", "noSerial",
// "keysNotFromUnit", "noKeys", "neverPressed", "keysHeld", "keyCheckNotRun",
// "calibrationNotRun", "calibrationUnfinished".
const char *word(VerdictReason::Kind kind);

// The kinds of the reasons, each once, in the reasons' order, joined by spaces.
std::string join(const std::vector<VerdictReason> &reasons);

} // namespace reasonKinds
