#include "deviceNotify_win.h"

#include <algorithm>

namespace {

// GUID_DEVINTERFACE_USB_DEVICE and GUID_DEVINTERFACE_DISK, written out so no
// extra SDK header or import library is needed for two constants.
const GUID kInterfaceClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
};

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == sizeof(deviceChange::InterfaceRecordLayout),
              "the portable record layout differs from Windows'");
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == deviceChange::kNameOffset,
              "the portable record layout differs from Windows'");

} // namespace

namespace deviceNotify {

std::vector<unsigned long> registerDeviceNotify(HWND window, std::vector<HDEVNOTIFY> *handles)
{
    std::vector<unsigned long> failures;
    for (const GUID &interfaceClass : kInterfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof filter);
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        const HDEVNOTIFY handle = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!handle)
            failures.push_back(GetLastError());
        else if (handles)
            handles->push_back(handle);
    }
    return failures;
}

deviceChange::WindowsDeviceMessage deviceMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    deviceChange::WindowsDeviceMessage device{message, static_cast<std::uintptr_t>(wParam), nullptr, 0};
    if (message != WM_DEVICECHANGE || !deviceChange::carriesRecord(device.wParam) || lParam == 0)
        return device;
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    device.record = header;
    device.recordBytes = std::min<std::size_t>(header->dbch_size, deviceChange::kMaxRecordBytes);
    return device;
}

} // namespace deviceNotify
