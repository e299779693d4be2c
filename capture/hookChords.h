#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the main window must do with one key event the keyboard hook accepted.
struct HookChordDecision
{
    // Hand the event to onCatchKeyboardAndMouseEvent(vkCode, flags, scanCode).
    bool forward = false;
    // Ctrl+Space completed: clear every key and the count.
    bool clearAllKeys = false;
    // Ctrl+Left (-1) or Ctrl+Right (+1) on the arrow's release; 0 for none.
    int ledTypeStep = 0;
    // Debug log lines, in order, to write before acting.
    std::vector<std::string> logLines;
};

// The operator chords carried on the key path: Ctrl+Space clears the test,
// Ctrl+Left / Ctrl+Right step the light colour type. Only the values of the
// event and whether Ctrl is physically down are needed, so the rules run
// without any hook.
//
// The flags are compared as whole values, as the hook delivers them: a right
// Ctrl arrives with the extended bit (0x01 / 0x81) and so never takes part in
// Ctrl+Space.
class HookChords
{
public:
    HookChordDecision handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags,
                                         bool ctrlDown);

    bool ctrlHeld() const { return m_ctrlHeld; }
    bool spaceHeld() const { return m_spaceHeld; }
    bool clearChordArmed() const { return m_clearChordArmed; }

private:
    bool m_ctrlHeld = false;
    bool m_spaceHeld = false;
    bool m_clearChordArmed = false;
};

// The process-wide chord state (it outlives a stop and start of the test).
HookChords &hookChords();
