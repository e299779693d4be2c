#pragma once

// Turns one captured key event (Windows virtual-key code, low-level hook flags,
// scan code) into what the keyboard page does with it. Pure: the page answers
// the one question the rules need, whether the event's vkCode is a key on it.

struct KeyEventAction
{
    enum Kind
    {
        None,           // no key changes
        Press,          // state 1; counted if the key was not pressed yet
        PressUncounted, // state 1 without counting (injected extended key)
        Release,        // state 2
    };

    Kind kind = None;
    int qtDec = 0;            // key to mark; the page skips it when it lacks that key
    int lockVkCode = 0;       // 20, 144 or 145 when that lock's indicator must be refreshed
    bool logScanCode = false; // a vkCode 255 event, whose scan code goes to the log
};

KeyEventAction translateKeyEvent(int vkCode, int keyFlags, int scCode, bool vkCodeIsOnPage);

// The indicator identity that shows the toggle state of lock key 20, 144 or 145;
// 0 for any other code.
int lockIndicatorForVkCode(int vkCode);
