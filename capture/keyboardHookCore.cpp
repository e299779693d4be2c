#include "keyboardHookCore.h"

#include "hookLog.h"
#include "hookTargets.h"

namespace {

const char *const LetThroughLine =
    "---------------------- *** Windows key press [ retuirn 0 ]  *** --------------------";
const char *const SwallowLine =
    "---------------------- *** Windows key press [ *** return 1 *** ] *** --------------------";

} // namespace

KeyboardHookCore &keyboardHookCore()
{
    static KeyboardHookCore core;
    return core;
}

bool KeyboardHookCore::isPressFlags(std::uint32_t flags)
{
    return flags == 0x00 || flags == 0x01 || flags == 0x11 || flags == 0x20 || flags == 0x21;
}

bool KeyboardHookCore::isLetThroughKey(std::uint32_t vkCode)
{
    return vkCode == 0x14 || vkCode == 0x90 || vkCode == 0x91 || vkCode == 0xA2 || vkCode == 0xA3;
}

HookOutcome KeyboardHookCore::handleKeyEvent(int nCode, std::uint32_t vkCode, std::uint32_t scanCode,
                                             std::uint32_t flags, bool ctrlDown, std::int64_t eventTimeUs)
{
    if (nCode != 0)
        return HookOutcome::PassAlongChain;
    m_eventTimeUs = eventTimeUs;

    if (isPressFlags(flags)) {
        // A held key going down again is the system's automatic repeat: the
        // focused program gets it, the test does not count or log it.
        if (isHeld(vkCode))
            return HookOutcome::LetThrough;
        press(vkCode);
    } else {
        release(vkCode);
    }

    if (HookTarget *target = findHookTarget(HookTargetKey))
        target->handleHookKeyEvent(nCode, vkCode, scanCode, flags, ctrlDown);

    if (isLetThroughKey(vkCode)) {
        hookLog(LetThroughLine);
        return HookOutcome::LetThrough;
    }
    hookLog(SwallowLine);
    return HookOutcome::Swallow;
}

void KeyboardHookCore::clearHeldKeys()
{
    for (unsigned char &slot : m_heldKeys)
        slot = 0;
    m_heldKeyCount = 0;
}

unsigned char KeyboardHookCore::heldKey(int slot) const
{
    if (slot < 0 || slot >= HeldKeySlots)
        return 0;
    return m_heldKeys[slot];
}

bool KeyboardHookCore::isHeld(std::uint32_t vkCode) const
{
    // The whole 32-bit value is compared with the stored byte, so a code above
    // 255 is never taken for a held key.
    for (int i = 0; i < m_heldKeyCount; ++i) {
        if (m_heldKeys[i] == vkCode)
            return true;
    }
    return false;
}

void KeyboardHookCore::press(std::uint32_t vkCode)
{
    // With every slot taken the press is still shown; it just cannot be
    // recognised as held, so its repeats would be shown too.
    if (m_heldKeyCount >= HeldKeySlots)
        return;
    m_heldKeys[m_heldKeyCount] = static_cast<unsigned char>(vkCode & 0xFF);
    ++m_heldKeyCount;
}

void KeyboardHookCore::release(std::uint32_t vkCode)
{
    int i = 0;
    while (i < m_heldKeyCount) {
        if (m_heldKeys[i] != vkCode) {
            ++i;
            continue;
        }
        for (int j = i; j + 1 < m_heldKeyCount; ++j)
            m_heldKeys[j] = m_heldKeys[j + 1];
        --m_heldKeyCount;
        m_heldKeys[m_heldKeyCount] = 0;
    }
}
