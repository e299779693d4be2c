#pragma once

#include "captureBackend.h"

#include <memory>
#include <string>

// Where the key test takes its keys from, as "[capture] source=" names it in
// Config.ini: the keyboard under test's own input devices, the whole display,
// or the first of the two that can be had.
enum class CaptureSource
{
    Auto,
    Device,
    Display,
};

// "auto", "device" or "display", in any case and with blanks around; an empty
// text is Auto. Anything else is Auto too, with *known false so the caller can
// say so.
CaptureSource parseCaptureSource(const std::string &text, bool *known);

// Chooses the key test's source and holds it: the keyboard's own input
// devices or the display grab, as the preference says. With "auto" the device
// is taken when it can be opened, otherwise the display, and the log says why.
// Each choice and each fallback is one log line.
class CaptureSwitch
{
public:
    CaptureSwitch(std::unique_ptr<CaptureBackend> device, std::unique_ptr<CaptureBackend> display);
    ~CaptureSwitch();

    // Both backends stop first; for tests that stand fakes in.
    void replaceBackends(std::unique_ptr<CaptureBackend> device, std::unique_ptr<CaptureBackend> display);

    void setPreference(CaptureSource source) { m_preference = source; }
    CaptureSource preference() const { return m_preference; }
    // Taken at the next install: a source already running for another unit
    // is replaced then.
    void setKeyboard(const KeyboardUnderTest &unit) { m_unit = unit; }

    // True when a source is in place afterwards. Nothing is started twice: a
    // running source for the same unit stays. Under "auto", a running display
    // grab gives way to the device once the device can be opened.
    bool install();
    void remove();
    bool isInstalled() const;
    // Device or Display while installed; Auto when nothing runs.
    CaptureSource activeSource() const;
    // The device's nodes, "display", or empty while nothing runs.
    std::string sourceText() const;

    // 1 or 0 for Caps (20), Num (144) and Scroll Lock (145) of the unit while
    // its own keys are taken; -1 when the system's state is the one to show.
    int unitLockToggled(int vkCode) const;

private:
    bool startDevice(std::string *why);
    bool startDisplay();
    void stopActive();

    std::unique_ptr<CaptureBackend> m_device;
    std::unique_ptr<CaptureBackend> m_display;
    CaptureSource m_preference = CaptureSource::Auto;
    CaptureSource m_active = CaptureSource::Auto;
    KeyboardUnderTest m_unit;
    KeyboardUnderTest m_deviceUnit;
};

// The process's own switch over the platform's two backends, behind
// keyCapture's functions (keyCapture_linux.cpp). Never destroyed; capture is
// released at the application's end.
CaptureSwitch &keyCaptureSwitch();
