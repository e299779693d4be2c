// Capture under Linux: the keyboard under test's own input devices or the X11
// display grab, chosen by the switch.

#include "keyCapture.h"

#include "captureSwitch.h"
#include "hookLog.h"
#include "keyboardHookCore.h"

#include <QCoreApplication>

namespace {

bool g_releaseAtShutdownRegistered = false;

void releaseAtShutdown()
{
    g_releaseAtShutdownRegistered = false;
    keyCaptureSwitch().remove();
}

} // namespace

// Never destroyed: it is released from the application's post routine while
// the event loop's machinery still exists, not after it.
CaptureSwitch &keyCaptureSwitch()
{
    static CaptureSwitch *captureSwitch = new CaptureSwitch(makeDeviceCapture(), makeDisplayCapture());
    return *captureSwitch;
}

namespace keyCapture {

bool installHooks()
{
    if (!g_releaseAtShutdownRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(releaseAtShutdown);
        g_releaseAtShutdownRegistered = true;
    }
    return keyCaptureSwitch().install();
}

bool removeHooks()
{
    keyCaptureSwitch().remove();
    return true;
}

void clearHeldKeys()
{
    keyboardHookCore().clearHeldKeys();
}

bool isInstalled()
{
    return keyCaptureSwitch().isInstalled();
}

void setKeyboard(std::uint16_t vendorId, std::uint16_t productId, const std::string &linkPath)
{
    KeyboardUnderTest unit;
    unit.vendorId = vendorId;
    unit.productId = productId;
    unit.linkPath = linkPath;
    keyCaptureSwitch().setKeyboard(unit);
}

void setSourcePreference(const std::string &configText)
{
    bool known = true;
    const CaptureSource source = parseCaptureSource(configText, &known);
    if (!known)
        hookLog("Key capture: [capture] source=" + configText + " is not auto, device or display; auto is used");
    keyCaptureSwitch().setPreference(source);
}

std::string sourceText()
{
    return keyCaptureSwitch().sourceText();
}

bool takesUnitOnly()
{
    return keyCaptureSwitch().activeSource() == CaptureSource::Device;
}

int unitLockToggled(int vkCode)
{
    return keyCaptureSwitch().unitLockToggled(vkCode);
}

} // namespace keyCapture
