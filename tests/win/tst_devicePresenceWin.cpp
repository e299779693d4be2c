// Registers a real window for device notices as the tool does, then sends it
// WM_DEVICECHANGE messages carrying interface records laid out by Windows'
// own structure, and checks what its window procedure recognises. Prints a
// QtTest-like report; the exit code is the number of failed cases.

#include "deviceChange.h"
#include "deviceNotify_win.h"

#include <windows.h>

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char *const TestName = "tst_devicePresenceWin";
const GUID kUsbDeviceClass = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const wchar_t kKeyboardPath[] = L"\\\\?\\USB#VID_0416&PID_B23C#6&2a1b&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

HWND g_window = nullptr;
int g_deviceMessages = 0;
deviceChange::Recognition g_seen{deviceChange::Kind::None, {}};
int g_failed = 0;
int g_passed = 0;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        ++g_deviceMessages;
        g_seen =
            deviceChange::recognizeWindowsMessage(deviceNotify::deviceMessage(message, wParam, lParam), "0416", "b23c");
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void report(const char *name, const std::string &failure)
{
    if (failure.empty()) {
        std::printf("PASS   : %s::%s()\n", TestName, name);
        ++g_passed;
    } else {
        std::printf("FAIL!  : %s::%s() %s\n", TestName, name, failure.c_str());
        ++g_failed;
    }
    std::fflush(stdout);
}

// A record as the system builds it: the structure, with the zero-terminated
// path running on past its one-character name field.
std::vector<unsigned char> interfaceRecord(const std::wstring &path)
{
    const size_t bytes = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (path.size() + 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(std::max(bytes, sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)), 0);
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(buffer.data());
    record->dbcc_size = DWORD(bytes);
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = kUsbDeviceClass;
    std::copy(path.begin(), path.end(), record->dbcc_name);
    return buffer;
}

// Sends one notice through the window's message dispatch; "" when the window
// procedure saw it and recognised the expected kind.
std::string send(WPARAM event, LPARAM record, deviceChange::Kind expected)
{
    const int before = g_deviceMessages;
    g_seen = {deviceChange::Kind::None, {}};
    SendMessageW(g_window, WM_DEVICECHANGE, event, record);
    if (g_deviceMessages != before + 1)
        return "the window procedure did not receive WM_DEVICECHANGE";
    if (g_seen.kind != expected)
        return "recognised kind " + std::to_string(int(g_seen.kind)) + ", expected " + std::to_string(int(expected));
    return {};
}

std::string recognised(WPARAM event, deviceChange::Kind expected)
{
    std::vector<unsigned char> record = interfaceRecord(kKeyboardPath);
    const std::string failure = send(event, reinterpret_cast<LPARAM>(record.data()), expected);
    if (!failure.empty())
        return failure;
    const std::string path = "\\\\?\\USB#VID_0416&PID_B23C#6&2a1b&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    return g_seen.path == path ? std::string() : "path \"" + g_seen.path + "\"";
}

} // namespace

int main()
{
    std::printf("********* Start testing of %s *********\n", TestName);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"tst_devicePresenceWin";
    RegisterClassW(&windowClass);
    g_window = CreateWindowExW(0, windowClass.lpszClassName, L"tst_devicePresenceWin", WS_OVERLAPPEDWINDOW, 50, 50, 200,
                               100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!g_window) {
        std::printf("FAIL!  : %s::initTestCase() cannot create the window (error %lu)\n", TestName,
                    static_cast<unsigned long>(GetLastError()));
        return 1;
    }

    std::vector<HDEVNOTIFY> handles;
    const std::vector<unsigned long> errors = deviceNotify::registerDeviceNotify(g_window, &handles);
    std::string failure;
    for (unsigned long error : errors)
        failure += "RegisterDeviceNotificationW failed, GetLastError " + std::to_string(error) + "; ";
    if (handles.size() + errors.size() != 2)
        failure += "not two interface classes registered";
    report("registerBothInterfaceClasses", failure);

    report("keyboardArrival", recognised(DBT_DEVICEARRIVAL, deviceChange::Kind::Arrival));
    report("keyboardRemoval", recognised(DBT_DEVICEREMOVECOMPLETE, deviceChange::Kind::Removal));
    std::vector<unsigned char> other = interfaceRecord(L"\\\\?\\USB#VID_0416&PID_7372#5&1&0&1#{a5dcbf10}");
    report("otherKeyboardIgnored",
           send(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(other.data()), deviceChange::Kind::None));
    // DBT_DEVNODES_CHANGED has no record: lParam is 0 and must not be read.
    report("noticeWithoutRecord", send(DBT_DEVNODES_CHANGED, 0, deviceChange::Kind::None));

    for (HDEVNOTIFY handle : handles)
        UnregisterDeviceNotification(handle);
    DestroyWindow(g_window);
    std::printf("Totals: %d passed, %d failed, 0 skipped\n", g_passed, g_failed);
    std::printf("********* Finished testing of %s *********\n", TestName);
    std::fflush(stdout);
    return g_failed;
}
