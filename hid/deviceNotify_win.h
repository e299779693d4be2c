#pragma once

// The Windows side of device presence without the toolkit, so the Windows
// test program uses exactly what the tool does.

#include "deviceChange.h"

#include <windows.h>

#include <dbt.h>

#include <vector>

namespace deviceNotify {

// Registers the window for arrival and removal notices of the USB device and
// disk interface classes, in that order, each on its own. Returns the
// system's error code of every registration that failed (empty when all
// took); the handles of those that took are added to *handles when given.
std::vector<unsigned long> registerDeviceNotify(HWND window, std::vector<HDEVNOTIFY> *handles = nullptr);

// The window message in the terms recognizeWindowsMessage reads. The record
// is followed only for arrival and removal notices, and its size is taken
// from the record itself, bounded.
deviceChange::WindowsDeviceMessage deviceMessage(UINT message, WPARAM wParam, LPARAM lParam);

} // namespace deviceNotify
