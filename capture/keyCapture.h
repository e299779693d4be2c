#pragma once

// System-wide key capture while the key test runs: every key event of the
// desktop goes through keyboardHookCore() to the target entered under "HOOK"
// in hookTargets(), and is kept from other programs. One implementation per
// platform: low-level hooks on Windows, a keyboard grab on X11.
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

} // namespace keyCapture
