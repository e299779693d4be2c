// Capture under Windows: the system-wide low-level keyboard and mouse hooks.
// The keyboard hook shows every key on screen and keeps it from the desktop,
// except the lock and Ctrl keys and a held key's automatic repeats; the mouse
// hook shares its life but passes everything on.

#include "keyCapture.h"

#include "hookLog.h"
#include "hookProcedures_win.h"
#include "keyboardHookCore.h"

#include <cstdio>
#include <string>

namespace {

constexpr int VkControl = 0x11;

HMODULE g_module = nullptr;
HHOOK g_keyboardHook = nullptr;
HHOOK g_mouseHook = nullptr;

std::string errorLine(const char *format, DWORD code)
{
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<long>(code));
    return text;
}

} // namespace

LRESULT CALLBACK keyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode != 0 || lParam == 0)
        return CallNextHookEx(g_keyboardHook, nCode, wParam, lParam);

    const auto *kbd = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
    const bool ctrlDown = GetAsyncKeyState(VkControl) < 0;
    switch (keyboardHookCore().handleKeyEvent(nCode, kbd->vkCode, kbd->scanCode, kbd->flags, ctrlDown,
                                              std::int64_t(kbd->time) * 1000)) {
    case HookOutcome::LetThrough:
        return 0;
    case HookOutcome::Swallow:
        return 1;
    case HookOutcome::PassAlongChain:
        break;
    }
    return CallNextHookEx(g_keyboardHook, nCode, wParam, lParam);
}

LRESULT CALLBACK mouseHookProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(g_mouseHook, nCode, wParam, lParam);
}

namespace keyCapture {

bool installHooks()
{
    if (g_module || g_keyboardHook || g_mouseHook)
        return true;

    g_module = GetModuleHandleW(nullptr);
    g_keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHookProc, g_module, 0);
    if (!g_keyboardHook) {
        const DWORD error = GetLastError();
        // Nothing is in place: forget the module too, or every later attempt
        // would report success without capturing anything.
        g_module = nullptr;
        hookLog(errorLine("Set keyboard Hook error, error code=%ld", error));
        return false;
    }

    g_mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseHookProc, g_module, 0);
    if (!g_mouseHook) {
        const DWORD error = GetLastError();
        // The keyboard hook stays: key capture works, only the mouse is not watched.
        hookLog(errorLine("Set mouse Hook error, error code=%ld", error));
        return false;
    }
    return true;
}

bool removeHooks()
{
    if (g_keyboardHook) {
        UnhookWindowsHookEx(g_keyboardHook);
        g_keyboardHook = nullptr;
    }
    if (g_mouseHook) {
        UnhookWindowsHookEx(g_mouseHook);
        g_mouseHook = nullptr;
    }
    g_module = nullptr;
    return true;
}

void clearHeldKeys()
{
    keyboardHookCore().clearHeldKeys();
}

bool isInstalled()
{
    return g_keyboardHook != nullptr;
}

// The hooks take every keyboard's keys and leave the lock keys to the system.
void setKeyboard(std::uint16_t, std::uint16_t, const std::string &) {}

void setSourcePreference(const std::string &) {}

std::string sourceText()
{
    return isInstalled() ? "hook" : std::string();
}

bool takesUnitOnly()
{
    return false;
}

int unitLockToggled(int)
{
    return -1;
}

} // namespace keyCapture
