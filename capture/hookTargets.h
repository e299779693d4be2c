#pragma once

#include <cstdint>
#include <map>
#include <string>

// What the keyboard hook hands each accepted key event to: the main window.
// Capture must not depend on the window, so the window implements this.
class HookTarget
{
public:
    virtual ~HookTarget() = default;

    // One key event that the keyboard hook accepted (an automatic repeat of a
    // held key never arrives here), after the held-key bookkeeping and before
    // the hook decides whether the system sees the event. The values are the
    // low-level hook's own (DWORD-wide on every platform); ctrlDown tells
    // whether a Ctrl key is physically down at this moment. Runs on the thread
    // that installed the hooks.
    virtual void handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                                    bool ctrlDown) = 0;
};

// The key under which the main window enters itself.
extern const char *const HookTargetKey; // "HOOK"

// Process-wide: the hook procedures have no context argument, so they find
// their target here. The map does not own its targets.
std::map<std::string, HookTarget *> &hookTargets();

// Null when nothing is entered under key.
HookTarget *findHookTarget(const std::string &key);

// A target that goes away must leave the map, or a later event would reach a
// dead object. Removes the entry only if it still points at target.
void removeHookTarget(const std::string &key, const HookTarget *target);
