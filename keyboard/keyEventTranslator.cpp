#include "keyEventTranslator.h"

namespace {

// Keypad keys with Num Lock off arrive as navigation codes without the extended flag.
int keypadIdentity(int vkCode)
{
    switch (vkCode) {
    case 12:
        return 101;
    case 33:
        return 105;
    case 34:
        return 99;
    case 35:
        return 97;
    case 36:
        return 103;
    case 37:
        return 100;
    case 38:
        return 104;
    case 39:
        return 102;
    case 40:
        return 98;
    case 45:
        return 96;
    case 46:
        return 110;
    default:
        return 0;
    }
}

bool isDownFlags(int keyFlags)
{
    return keyFlags == 0 || keyFlags == 1 || keyFlags == 17 || keyFlags == 32 || keyFlags == 33;
}

KeyEventAction action(KeyEventAction::Kind kind, int qtDec)
{
    KeyEventAction a;
    a.kind = kind;
    a.qtDec = qtDec;
    return a;
}

KeyEventAction onPageEvent(int vkCode, int keyFlags)
{
    const int keypad = keypadIdentity(vkCode);
    if (keypad != 0 && (keyFlags == 0 || keyFlags == 128 || keyFlags == 32 || keyFlags == 160)) {
        const bool down = keyFlags == 0 || keyFlags == 32;
        return action(down ? KeyEventAction::Press : KeyEventAction::Release, keypad);
    }
    if (vkCode == 19 && (keyFlags == 1 || keyFlags == 129))
        return action(keyFlags == 1 ? KeyEventAction::Press : KeyEventAction::Release, 144);
    if (keyFlags == 17)
        return action(KeyEventAction::PressUncounted, vkCode);
    return action(isDownFlags(keyFlags) ? KeyEventAction::Press : KeyEventAction::Release, vkCode);
}

KeyEventAction offPageEvent(int vkCode, int keyFlags, int scCode)
{
    switch (vkCode) {
    case 13:
        if (keyFlags == 0 || keyFlags == 32)
            return action(KeyEventAction::Press, 601);
        if (keyFlags == 128 || keyFlags == 160)
            return action(KeyEventAction::Release, 601);
        if (keyFlags == 1 || keyFlags == 33)
            return action(KeyEventAction::Press, 602);
        if (keyFlags == 129 || keyFlags == 161)
            return action(KeyEventAction::Release, 602);
        return {};
    case 12:
        if (keyFlags == 0)
            return action(KeyEventAction::Press, 101);
        if (keyFlags == 128)
            return action(KeyEventAction::Release, 101);
        return {};
    // The Korean keys have virtual-key codes of their own, but their places
    // on the page carry identities apart from them.
    case 0x15:
    case 0x19: {
        const int key = vkCode == 0x15 ? 2360 : 2350;
        if (isDownFlags(keyFlags))
            return action(KeyEventAction::Press, key);
        if (keyFlags == 128 || keyFlags == 129 || keyFlags == 160 || keyFlags == 161)
            return action(KeyEventAction::Release, key);
        return {};
    }
    case 255: {
        KeyEventAction a;
        const int key = scCode == 125 ? 701 : scCode == 121 ? 702 : scCode == 112 ? 703 : 0;
        if (key != 0 && keyFlags == 0)
            a = action(KeyEventAction::Press, key);
        else if (key != 0 && keyFlags == 128)
            a = action(KeyEventAction::Release, key);
        a.logScanCode = true;
        return a;
    }
    default:
        return {};
    }
}

} // namespace

int lockIndicatorForVkCode(int vkCode)
{
    switch (vkCode) {
    case 20:
        return -12;
    case 144:
        return -11;
    case 145:
        return -13;
    default:
        return 0;
    }
}

KeyEventAction translateKeyEvent(int vkCode, int keyFlags, int scCode, bool vkCodeIsOnPage)
{
    // Only a real virtual-key code (1..254) may name a key directly: otherwise an
    // event carrying -12 or 2350 would "press" a lock indicator or a Korean key,
    // and an indicator, never marked as pressed, would be counted on every event.
    const bool onPage = vkCodeIsOnPage && vkCode >= 1 && vkCode <= 254;
    if (!onPage)
        return offPageEvent(vkCode, keyFlags, scCode);

    KeyEventAction a = onPageEvent(vkCode, keyFlags);
    if (lockIndicatorForVkCode(vkCode) != 0)
        a.lockVkCode = vkCode;
    return a;
}
