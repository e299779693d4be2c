#include "lockKeyState.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

// Reads the keyboard indicators (the LEDs) of the display the tool runs on.
// The connection is opened on first use and kept: the page asks on every lock
// key event. Without a display every toggle reads as off.
class x11LockKeyState : public lockKeyState
{
public:
    ~x11LockKeyState() override
    {
        if (m_display)
            XCloseDisplay(m_display);
    }

    bool isToggled(int vkCode) override
    {
        const char *name = indicatorName(vkCode);
        if (!name || !connect())
            return false;
        Bool on = False;
        const Atom atom = XInternAtom(m_display, name, False);
        if (atom == None || !XkbGetNamedIndicator(m_display, atom, nullptr, &on, nullptr, nullptr))
            return false;
        return on == True;
    }

private:
    static const char *indicatorName(int vkCode)
    {
        switch (vkCode) {
        case 20:
            return "Caps Lock";
        case 144:
            return "Num Lock";
        case 145:
            return "Scroll Lock";
        default:
            return nullptr;
        }
    }

    bool connect()
    {
        if (m_display)
            return true;
        if (m_failed)
            return false;
        int major = XkbMajorVersion;
        int minor = XkbMinorVersion;
        int reason = 0;
        m_display = XkbOpenDisplay(nullptr, nullptr, nullptr, &major, &minor, &reason);
        // Not retried: a missing display would cost a connection attempt per key event.
        m_failed = m_display == nullptr;
        return m_display != nullptr;
    }

    Display *m_display = nullptr;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<lockKeyState> lockKeyState::createSystem()
{
    return std::make_unique<x11LockKeyState>();
}
