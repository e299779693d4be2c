#include "hookChords.h"

#include <cstdio>

namespace {

constexpr std::uint32_t VkSpace = 0x20;
constexpr std::uint32_t VkLeft = 0x25;
constexpr std::uint32_t VkRight = 0x27;
constexpr std::uint32_t VkLeftCtrl = 0xA2;
constexpr std::uint32_t VkRightCtrl = 0xA3;

std::string eventLine(int nCode, std::uint32_t vkCode, std::uint32_t scanCode, std::uint32_t flags)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "---------------- Windows: nCode = %d, pkh->vkCode = %d, pkh->scanCode = %d, pkh->flags = %d \n",
                  nCode, static_cast<int>(vkCode), static_cast<int>(scanCode), static_cast<int>(flags));
    return text;
}

} // namespace

HookChords &hookChords()
{
    static HookChords chords;
    return chords;
}

HookChordDecision HookChords::handleHookKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode,
                                                 std::uint32_t flags, bool ctrlDown)
{
    HookChordDecision decision;
    if (nCode != 0)
        return decision;

    decision.logLines.push_back(eventLine(nCode, vkCode, scanCode, flags));

    if (vkCode == VkSpace && ctrlDown && flags == 0x80)
        decision.logLines.push_back("---------------------- Ctrl+SPACE --------------------");

    const bool isCtrl = vkCode == VkLeftCtrl || vkCode == VkRightCtrl;
    if (isCtrl && flags == 0x00)
        m_ctrlHeld = true;
    else if (isCtrl && flags == 0x80)
        m_ctrlHeld = false;

    if (vkCode == VkSpace && flags == 0x00 && m_ctrlHeld) {
        m_spaceHeld = true;
        m_clearChordArmed = true;
    } else if (vkCode == VkSpace && flags == 0x80) {
        m_spaceHeld = false;
    }

    // The clear waits until both keys are up, and the release that completes
    // the chord is not shown: the screen is about to be emptied anyway.
    if (m_clearChordArmed && !m_ctrlHeld && !m_spaceHeld) {
        m_clearChordArmed = false;
        decision.clearAllKeys = true;
        decision.logLines.push_back("---------------------- ////////////////////// Ctrl+SPACE  [ Clear all Key ] "
                                    "////////////////////// --------------------");
        return decision;
    }

    // The step acts on the arrow's release while Ctrl is still down; the arrow
    // itself is shown like any other key.
    if (vkCode == VkLeft && ctrlDown && flags == 0x81) {
        decision.logLines.push_back("---------------------- Ctrl+LEFT --------------------");
        decision.ledTypeStep = -1;
    } else if (vkCode == VkRight && ctrlDown && flags == 0x81) {
        decision.logLines.push_back("---------------------- Ctrl+RIGHT --------------------");
        decision.ledTypeStep = +1;
    }
    decision.forward = true;
    return decision;
}
