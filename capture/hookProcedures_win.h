#pragma once

#include <windows.h>

// The low-level hook procedures that keyCapture::installHooks() installs.
// Windows calls them on the installing (GUI) thread while it pumps messages.

// WH_KEYBOARD_LL: nCode != 0 is passed along the chain; otherwise the event
// goes through keyboardHookCore() and is let through (0) or swallowed (1).
LRESULT CALLBACK keyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);

// WH_MOUSE_LL: every mouse event is passed along unchanged.
LRESULT CALLBACK mouseHookProc(int nCode, WPARAM wParam, LPARAM lParam);
