#include "deviceNotify.h"

#include <windows.h>

#include <dbt.h>

namespace {

// GUID_DEVINTERFACE_USB_DEVICE and GUID_DEVINTERFACE_DISK, written out so no
// extra SDK header or import library is needed for two constants.
const GUID kInterfaceClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
};

} // namespace

namespace deviceNotify {

bool needsWindowHandle()
{
    return true;
}

std::vector<unsigned long> registerDeviceNotify(std::uintptr_t windowHandle)
{
    std::vector<unsigned long> failures;
    for (const GUID &interfaceClass : kInterfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof filter);
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        // The handle is kept by the system for the window's lifetime; the
        // window never unregisters, so it is not kept here either.
        if (!RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(windowHandle), &filter, DEVICE_NOTIFY_WINDOW_HANDLE))
            failures.push_back(GetLastError());
    }
    return failures;
}

} // namespace deviceNotify
