#pragma once

#include "hookChords.h"
#include "hookLog.h"
#include "hookTargets.h"

#include <cstdint>
#include <vector>

// Stands in for the main window: records every event the keyboard hook hands
// over and acts on the chord decisions the way the window does (forward to
// the keyboard page, clear all keys, step the light type, write the log). Plain C++ so the
// Windows test program uses it too.
class HookRecordingTarget : public HookTarget
{
public:
    struct Received
    {
        int nCode;
        std::uint32_t vkCode;
        std::uint32_t scanCode;
        std::uint32_t flags;
        bool ctrlDown;
    };
    // What reached onCatchKeyboardAndMouseEvent(vkCode, flags, scanCode).
    struct Forwarded
    {
        std::uint32_t vkCode;
        std::uint32_t flags;
        std::uint32_t scanCode;
    };

    void handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                            bool ctrlDown) override
    {
        received.push_back({nCode, vkCode, scanCode, flags, ctrlDown});
        const HookChordDecision decision = chords.handleHookKeyEvent(nCode, vkCode, scanCode, flags, ctrlDown);
        for (const std::string &line : decision.logLines)
            hookLog(line);
        if (decision.clearAllKeys)
            ++clearCount;
        if (decision.ledTypeStep != 0)
            ledSteps.push_back(decision.ledTypeStep);
        if (decision.forward)
            forwarded.push_back({vkCode, flags, scanCode});
    }

    void forget()
    {
        received.clear();
        forwarded.clear();
        ledSteps.clear();
        clearCount = 0;
    }

    std::vector<Received> received;
    std::vector<Forwarded> forwarded;
    std::vector<int> ledSteps;
    int clearCount = 0;
    HookChords chords;
};

// Enters a target under "HOOK" for the life of a scope, as the window does for
// the life of the process.
class HookTargetRegistration
{
public:
    explicit HookTargetRegistration(HookTarget *target) : m_target(target) { hookTargets()[HookTargetKey] = target; }
    ~HookTargetRegistration() { removeHookTarget(HookTargetKey, m_target); }
    HookTargetRegistration(const HookTargetRegistration &) = delete;
    HookTargetRegistration &operator=(const HookTargetRegistration &) = delete;

private:
    HookTarget *m_target;
};
