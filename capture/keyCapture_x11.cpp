// The display source under X11: while the test runs, this process holds a grab
// of the keyboard on its own connection to the tool's X display, so every key
// of the desktop arrives here and nowhere else. Each X key event is translated into
// what a Windows low-level hook would report for the same physical key and run
// through the same hook core, so the keyboard page, the count and the chords
// behave as under Windows.
//
// Events are read on the GUI thread (a socket notifier on the connection), so
// capture works before the window is first shown and needs no lock.

#include "captureBackend.h"
#include "evdevKeyTranslation.h"
#include "hookLog.h"
#include "keyboardHookCore.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>

#include <string>

// Xlib last: its macros (None, Bool, KeyPress, ...) would break the toolkit's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// Xlib reads ahead into its own queue, which the socket notifier cannot see;
// a long burst is handled in slices so the GUI thread keeps breathing.
constexpr int MaxEventsPerWake = 256;

// X key codes are the Linux input event codes shifted by 8 (evdev and libinput).
constexpr int X11KeycodeOffset = 8;

const char *grabStatusName(int status)
{
    switch (status) {
    case AlreadyGrabbed:
        return "AlreadyGrabbed: another client holds the keyboard";
    case GrabInvalidTime:
        return "GrabInvalidTime";
    case GrabNotViewable:
        return "GrabNotViewable";
    case GrabFrozen:
        return "GrabFrozen: another client froze the keyboard";
    default:
        return "unknown grab status";
    }
}

class X11KeyGrab : public CaptureBackend
{
public:
    ~X11KeyGrab() override { release(); }

    // Its failures are logged by grab() itself, in the words they always had.
    bool start(const KeyboardUnderTest &, std::string *) override { return grab(); }
    void stop() override { release(); }
    bool isActive() const override { return isGrabbed(); }
    std::string describe() const override { return "X11 keyboard grab on display \"" + m_displayName + "\""; }

    bool grab();
    void release();
    bool isGrabbed() const { return m_display != nullptr; }

private:
    void readEvents();
    void scheduleRead();
    void handleKey(const XKeyEvent &event);
    void seedHeldKeys();

    Display *m_display = nullptr;
    std::string m_displayName;
    QSocketNotifier *m_notifier = nullptr;
    // Receiver of the notifier and of queued reads; they die with it.
    QObject m_context;
    EvdevKeyboardState m_keys;
    unsigned int m_numLockMask = 0;
    bool m_readScheduled = false;
    bool m_reading = false;
};

bool X11KeyGrab::grab()
{
    if (m_display)
        return true;
    if (!QCoreApplication::instance()) {
        hookLog("Set keyboard Hook error, no application object to watch the X display");
        return false;
    }

    const std::string displayName = XDisplayName(nullptr);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        hookLog("Set keyboard Hook error, cannot open X display \"" + displayName +
                "\" (key capture needs an X11 session or XWayland)");
        return false;
    }

    const int status =
        XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status != GrabSuccess) {
        hookLog("Set keyboard Hook error, error code=" + std::to_string(status) + " (" + grabStatusName(status) + ")");
        XCloseDisplay(display);
        return false;
    }

    // Without this a held key repeats as release + press pairs, which would
    // show as fresh presses instead of being dropped like the hook's repeats.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(display, True, &detectable);
    if (!detectable)
        hookLog("---------------- X11: no detectable auto-repeat, a held key repeats as release and press");

    m_display = display;
    m_displayName = displayName;
    m_numLockMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    seedHeldKeys();

    m_notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, &m_context, [this] { readEvents(); });
    XFlush(display);
    // The round trips above may already have queued key events.
    scheduleRead();
    return true;
}

void X11KeyGrab::release()
{
    if (!m_display)
        return;
    if (m_notifier) {
        m_notifier->setEnabled(false);
        // Released from inside a key's handling, the notifier is still in use.
        if (m_reading)
            m_notifier->deleteLater();
        else
            delete m_notifier;
        m_notifier = nullptr;
    }
    XUngrabKeyboard(m_display, CurrentTime);
    XCloseDisplay(m_display); // flushes the ungrab
    m_display = nullptr;
    m_keys.clear();
}

void X11KeyGrab::seedHeldKeys()
{
    // Keys already down (Ctrl or Alt held while the test starts) must count for
    // the Ctrl state and the Alt flag as they do under Windows.
    m_keys.clear();
    char keymap[32] = {};
    XQueryKeymap(m_display, keymap);
    for (int keycode = X11KeycodeOffset; keycode < 256; ++keycode) {
        if (keymap[keycode / 8] & (1 << (keycode % 8)))
            m_keys.setDown(keycode - X11KeycodeOffset, true);
    }
}

void X11KeyGrab::scheduleRead()
{
    if (m_readScheduled)
        return;
    m_readScheduled = true;
    QMetaObject::invokeMethod(
        &m_context, [this] { readEvents(); }, Qt::QueuedConnection);
}

void X11KeyGrab::readEvents()
{
    m_readScheduled = false;
    m_reading = true;
    int handled = 0;
    while (m_display && handled < MaxEventsPerWake && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        ++handled;
        if (event.type == KeyPress || event.type == KeyRelease) {
            handleKey(event.xkey);
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            m_numLockMask = XkbKeysymToModifiers(m_display, XK_Num_Lock);
        }
    }
    m_reading = false;
    if (m_display && QLength(m_display) > 0)
        scheduleRead();
}

void X11KeyGrab::handleKey(const XKeyEvent &event)
{
    const int evdevCode = static_cast<int>(event.keycode) - X11KeycodeOffset;
    const bool pressed = event.type == KeyPress;
    const bool numLockOn = m_numLockMask != 0 && (event.state & m_numLockMask) != 0;
    const WinKeyEvent key = m_keys.handleKey(evdevCode, pressed, numLockOn);
    if (!key.isValid()) {
        hookLog("---------------- X11: key code " + std::to_string(event.keycode) + " has no Windows key, not shown");
        return;
    }
    // The grab already keeps the event from every other client, so the
    // outcome (let through or swallow) has nothing left to decide here.
    keyboardHookCore().handleKeyEvent(0, key.vkCode, key.scanCode, key.flags, m_keys.ctrlDown(),
                                      std::int64_t(event.time) * 1000);
}

} // namespace

std::unique_ptr<CaptureBackend> makeDisplayCapture()
{
    return std::make_unique<X11KeyGrab>();
}
