#pragma once

// Include after every toolkit header: Xlib's macros break them.
#include <QElapsedTimer>
#include <QtTest>

#include <X11/Xlib.h>

// Another program on the same desktop: its own connection and a small window
// that holds the keyboard focus, so it would receive every key the tool does
// not keep from it.
class OtherX11Client
{
public:
    OtherX11Client() : m_display(XOpenDisplay(nullptr)) {}

    ~OtherX11Client()
    {
        if (!m_display)
            return;
        if (m_window)
            XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }

    OtherX11Client(const OtherX11Client &) = delete;
    OtherX11Client &operator=(const OtherX11Client &) = delete;

    Display *display() const { return m_display; }

    // Maps the window and gives it the focus; false when the server never showed it.
    bool showFocusedWindow()
    {
        if (!m_display)
            return false;
        if (!m_window) {
            m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 10, 10, 200, 100, 0, 0, 0xFFFFFF);
            XSelectInput(m_display, m_window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
            XMapRaised(m_display, m_window);
            XSync(m_display, False);
            bool mapped = false;
            for (int i = 0; i < 200 && !mapped; ++i) {
                XEvent event;
                while (!mapped && XCheckTypedWindowEvent(m_display, m_window, MapNotify, &event))
                    mapped = true;
                if (!mapped)
                    QTest::qWait(10);
            }
            if (!mapped)
                return false;
        }
        XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
        XSync(m_display, False);
        return true;
    }

    // Key presses that reached the window within waitMs (the caller's event
    // loop keeps running meanwhile, so the tool handles its keys too).
    int keyPressesWithin(int waitMs)
    {
        if (!m_display)
            return -1;
        int presses = 0;
        QElapsedTimer timer;
        timer.start();
        do {
            XSync(m_display, False);
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == KeyPress)
                    ++presses;
            }
            QTest::qWait(10);
        } while (timer.elapsed() < waitMs);
        return presses;
    }

private:
    Display *m_display = nullptr;
    Window m_window = 0;
};
