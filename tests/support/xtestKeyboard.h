#pragma once

// Include after every toolkit header: Xlib's macros (None, Bool, KeyPress, ...)
// break them.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

// Types on the X server's core keyboard through XTest, from a connection of its
// own, the way a physical keyboard would: the server treats the keys exactly as
// real ones (grabs, focus, lock states, auto-repeat). Every key it leaves down
// is released when it goes, so no case leaves the server with a stuck key.
class XTestKeyboard
{
public:
    XTestKeyboard() : m_display(XOpenDisplay(nullptr))
    {
        int event = 0, error = 0, major = 0, minor = 0;
        m_hasXTest = m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }

    ~XTestKeyboard()
    {
        if (!m_display)
            return;
        releaseAll();
        restoreRepeatRate();
        XCloseDisplay(m_display);
    }

    XTestKeyboard(const XTestKeyboard &) = delete;
    XTestKeyboard &operator=(const XTestKeyboard &) = delete;

    bool isUsable() const { return m_display && m_hasXTest; }
    Display *display() const { return m_display; }

    KeyCode keycode(KeySym sym) const { return m_display ? XKeysymToKeycode(m_display, sym) : 0; }

    // False when the server's keymap has no such key. With sync the call returns
    // once the server has handled the event; without, once it is on its way.
    bool key(KeySym sym, bool down, bool sync = true) { return send(keycode(sym), down, sync); }

    bool send(KeyCode code, bool down, bool sync = true)
    {
        if (!isUsable() || code == 0)
            return false;
        XTestFakeKeyEvent(m_display, code, down ? True : False, CurrentTime);
        if (sync)
            XSync(m_display, False);
        else
            XFlush(m_display);
        if (down && std::find(m_down.begin(), m_down.end(), code) == m_down.end())
            m_down.push_back(code);
        else if (!down)
            m_down.erase(std::remove(m_down.begin(), m_down.end(), code), m_down.end());
        return true;
    }

    bool tap(KeySym sym) { return key(sym, true) && key(sym, false); }

    void releaseAll()
    {
        const std::vector<KeyCode> down = m_down;
        for (KeyCode code : down)
            send(code, false, false);
        if (m_display)
            XSync(m_display, False);
    }

    // Locked modifiers: LockMask for Caps Lock, numLockMask() for Num Lock.
    bool isLocked(unsigned int mask) const
    {
        if (!m_display)
            return false;
        XkbStateRec state{};
        XkbGetState(m_display, XkbUseCoreKbd, &state);
        return (state.locked_mods & mask) != 0;
    }

    unsigned int numLockMask() const { return m_display ? XkbKeysymToModifiers(m_display, XK_Num_Lock) : 0; }

    // Makes a held key repeat after delayMs, every intervalMs; the server's own
    // rate comes back with restoreRepeatRate (or when this object goes).
    bool setRepeatRate(unsigned int delayMs, unsigned int intervalMs)
    {
        if (!m_display)
            return false;
        if (!m_rateSaved) {
            if (!XkbGetAutoRepeatRate(m_display, XkbUseCoreKbd, &m_savedDelay, &m_savedInterval))
                return false;
            m_rateSaved = true;
        }
        const bool done = XkbSetAutoRepeatRate(m_display, XkbUseCoreKbd, delayMs, intervalMs);
        XSync(m_display, False);
        return done;
    }

    void restoreRepeatRate()
    {
        if (!m_display || !m_rateSaved)
            return;
        XkbSetAutoRepeatRate(m_display, XkbUseCoreKbd, m_savedDelay, m_savedInterval);
        XSync(m_display, False);
        m_rateSaved = false;
    }

private:
    Display *m_display = nullptr;
    bool m_hasXTest = false;
    std::vector<KeyCode> m_down;
    bool m_rateSaved = false;
    unsigned int m_savedDelay = 0;
    unsigned int m_savedInterval = 0;
};
