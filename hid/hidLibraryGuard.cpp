#include "hidLibraryGuard.h"

#include <hidapi.h>

#include <mutex>

namespace hidLibraryGuard {

namespace {
std::mutex &libraryMutex()
{
    static std::mutex m;
    return m;
}
int g_openHandles = 0;
} // namespace

int init()
{
    std::lock_guard<std::mutex> lock(libraryMutex());
    return hid_init();
}

hid_device_info *enumerateAll()
{
    std::lock_guard<std::mutex> lock(libraryMutex());
    return hid_enumerate(0, 0);
}

void freeEnumeration(hid_device_info *list)
{
    std::lock_guard<std::mutex> lock(libraryMutex());
    hid_free_enumeration(list);
}

hid_device *openPath(const char *path)
{
    if (!path)
        return nullptr;
    std::lock_guard<std::mutex> lock(libraryMutex());
    hid_device *device = hid_open_path(path);
    if (device)
        ++g_openHandles;
    return device;
}

void close(hid_device *device)
{
    if (!device)
        return;
    std::lock_guard<std::mutex> lock(libraryMutex());
    hid_close(device);
    if (g_openHandles > 0)
        --g_openHandles;
    if (g_openHandles == 0)
        hid_exit();
}

int openHandleCount()
{
    std::lock_guard<std::mutex> lock(libraryMutex());
    return g_openHandles;
}

} // namespace hidLibraryGuard
