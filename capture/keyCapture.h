#pragma once

#include <cstdint>
#include <string>

// System-wide key capture while the key test runs: every key event taken goes
// through keyboardHookCore() to the target entered under "HOOK" in
// hookTargets(), and is kept from other programs. One implementation per
// platform: low-level hooks on Windows; on Linux the keyboard under test's own
// input devices or a keyboard grab on X11, as "[capture] source=" chooses.
//
// Call from the GUI thread only; events are handled on that thread.
namespace keyCapture {

// True when capture is in place, or already was (nothing is installed twice).
// False when it cannot be installed; the reason is in the log.
bool installHooks();

// Stops capture, whatever part of it is in place. Always true.
bool removeHooks();

// Test start: forget every held key.
void clearHeldKeys();

bool isInstalled();

// The keyboard under test, for a source that takes only its keys: the
// platform's ids and the path of its open link (empty while none is open).
// Taken at the next installHooks(). Ignored where capture takes every key.
void setKeyboard(std::uint16_t vendorId, std::uint16_t productId, const std::string &linkPath);

// The text of "[capture] source=" in Config.ini: auto, device or display. An
// unknown text is logged and taken as auto. Ignored where there is one source.
void setSourcePreference(const std::string &configText);

// 1 or 0 for Caps Lock (20), Num Lock (144) and Scroll Lock (145) of the unit
// while its own keys are taken and the system never sees them; -1 when the
// system's lock state is the one to show.
int unitLockToggled(int vkCode);

// What the keys are taken from now, as the unit's record keeps it: the unit's
// own input nodes ("/dev/input/event5 /dev/input/event6"), "display" or
// "hook" (both take every keyboard's keys); empty while nothing captures.
std::string sourceText();
// True while only the unit's own keys are taken.
bool takesUnitOnly();

} // namespace keyCapture
