// hidapi's C interface over the simulated keyboards. Every function of the
// header is defined, so that as a preloaded library it replaces the system's
// hidapi completely and no handle of ours reaches the real one.

#include "simRegistry.h"

#include <hidapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

using namespace sim;

namespace {

// hidapi hands out the global error text as a pointer that stays valid until
// the next call; one per thread keeps concurrent callers apart.
thread_local std::wstring t_globalError;

constexpr size_t kWrittenLogLimit = 200000;

wchar_t *copyWide(const std::wstring &s)
{
    auto *out = static_cast<wchar_t *>(std::calloc(s.size() + 1, sizeof(wchar_t)));
    if (out)
        std::wmemcpy(out, s.c_str(), s.size());
    return out;
}

hid_device_info *makeInfo(const KeyboardState &kb, const SimInterface &iface)
{
    auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
    if (!info)
        return nullptr;
    info->path = static_cast<char *>(std::calloc(iface.path.size() + 1, 1));
    if (info->path)
        std::memcpy(info->path, iface.path.c_str(), iface.path.size());
    info->vendor_id = kb.config.vendorId;
    info->product_id = kb.config.productId;
    info->serial_number = copyWide(kb.config.serial);
    info->release_number = 0x0100;
    info->manufacturer_string = copyWide(kb.config.manufacturer);
    info->product_string = copyWide(kb.config.product);
    info->usage_page = iface.number == kb.config.commandInterface ? 0xff00 : 0x0001;
    info->usage = iface.number == kb.config.commandInterface ? 0x0001 : 0x0006;
    info->interface_number = iface.number;
    info->next = nullptr;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

void freeInfo(hid_device_info *info)
{
    if (!info)
        return;
    std::free(info->path);
    std::free(info->serial_number);
    std::free(info->manufacturer_string);
    std::free(info->product_string);
    std::free(info);
}

// The handle is usable: still registered, its keyboard known and plugged in.
bool liveLocked(Registry &r, hid_device *dev)
{
    if (!dev || r.handles.count(dev) == 0 || dev->dead)
        return false;
    if (size_t(dev->keyboard) >= r.keyboards.size())
        return false;
    return r.keyboards[size_t(dev->keyboard)].plugged;
}

int copyString(const std::wstring &s, wchar_t *out, size_t maxlen)
{
    if (!out || maxlen == 0)
        return -1;
    const size_t n = std::min(s.size(), maxlen - 1);
    std::wmemcpy(out, s.c_str(), n);
    out[n] = L'\0';
    return 0;
}

const KeyboardState *keyboardOf(Registry &r, hid_device *dev)
{
    if (!liveLocked(r, dev))
        return nullptr;
    return &r.keyboards[size_t(dev->keyboard)];
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    ++r.stats.initCalls;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    ++r.stats.exitCalls;
    if (!r.handles.empty())
        ++r.stats.exitCallsWhileOpen;
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const KeyboardState &kb : r.keyboards) {
        if (!kb.plugged)
            continue;
        if ((vendor_id && kb.config.vendorId != vendor_id) || (product_id && kb.config.productId != product_id))
            continue;
        for (const SimInterface &iface : kb.config.interfaces) {
            hid_device_info *info = makeInfo(kb, iface);
            if (!info)
                continue;
            *tail = info;
            tail = &info->next;
        }
    }
    return head;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    while (devs) {
        hid_device_info *next = devs->next;
        freeInfo(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    ++r.stats.openCalls;
    if (!path) {
        t_globalError = L"no path";
        ++r.stats.failedOpens;
        return nullptr;
    }
    for (size_t k = 0; k < r.keyboards.size(); ++k) {
        KeyboardState &kb = r.keyboards[k];
        if (!kb.plugged)
            continue;
        for (const SimInterface &iface : kb.config.interfaces) {
            if (iface.path != path)
                continue;
            if (kb.failOpens > 0) {
                --kb.failOpens;
                ++r.stats.failedOpens;
                t_globalError = L"simulated open failure";
                return nullptr;
            }
            auto *dev = new hid_device_;
            dev->id = r.nextHandleId++;
            dev->keyboard = int(k);
            dev->interfaceNumber = iface.number;
            r.handles.insert(dev);
            r.stats.openHandles = int(r.handles.size());
            if (iface.number == kb.config.commandInterface && kb.config.liveKeyStateMs > 0)
                kb.nextLiveReport = Clock::now() + std::chrono::milliseconds(kb.config.liveKeyStateMs);
            t_globalError.clear();
            return dev;
        }
    }
    ++r.stats.failedOpens;
    t_globalError = L"no such simulated device";
    return nullptr;
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short vendor_id, unsigned short product_id,
                                                 const wchar_t *serial_number)
{
    std::string path;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        for (const KeyboardState &kb : r.keyboards) {
            if (!kb.plugged || kb.config.vendorId != vendor_id || kb.config.productId != product_id)
                continue;
            if (serial_number && kb.config.serial != serial_number)
                continue;
            if (!kb.config.interfaces.empty()) {
                path = kb.config.interfaces.front().path;
                break;
            }
        }
    }
    if (path.empty()) {
        t_globalError = L"no such simulated device";
        return nullptr;
    }
    return hid_open_path(path.c_str());
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!liveLocked(r, dev)) {
        if (dev && r.handles.count(dev))
            dev->error = L"device disconnected";
        return -1;
    }
    if (!data || length == 0) {
        dev->error = L"nothing to write";
        return -1;
    }
    if (r.keyboards[size_t(dev->keyboard)].hung) {
        dev->error = L"Connection timed out";
        return -1;
    }
    const size_t n = std::min(length, size_t(1024));
    if (r.written.size() >= kWrittenLogLimit)
        r.written.erase(r.written.begin(), r.written.begin() + long(kWrittenLogLimit / 2));
    SimWrittenReport w;
    w.keyboard = dev->keyboard;
    w.interfaceNumber = dev->interfaceNumber;
    w.handle = dev->id;
    w.readsBefore = dev->reads;
    w.writtenAt = Clock::now();
    w.bytes.assign(data, data + n);
    r.written.push_back(std::move(w));
    if (dev->interfaceNumber == r.keyboards[size_t(dev->keyboard)].config.commandInterface)
        answerLocked(r, dev->keyboard, data, int(n));
    return int(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    Registry &r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    if (!dev || r.handles.count(dev) == 0 || !data)
        return -1;
    ++dev->reads;
    const auto deadline =
        milliseconds < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (!liveLocked(r, dev)) {
            dev->error = L"device disconnected";
            return -1;
        }
        const auto now = Clock::now();
        pumpLocked(r, dev->keyboard, now);
        if (!dev->input.empty() && dev->input.front().due <= now) {
            const QueuedReport q = dev->input.front();
            dev->input.pop_front();
            const size_t n = std::min(length, size_t(q.length));
            std::memcpy(data, q.bytes.data(), n);
            return int(n);
        }
        if (now >= deadline)
            return 0;
        // Wake when the next report is due (a delayed answer, a scripted or a
        // periodic report) or at the deadline, and not before: a caller that
        // waits long is meant to sleep. Anything new notifies `arrived`.
        auto wake = deadline;
        if (!dev->input.empty())
            wake = std::min(wake, dev->input.front().due);
        const KeyboardState &kb = r.keyboards[size_t(dev->keyboard)];
        if (dev->interfaceNumber == kb.config.commandInterface) {
            if (!kb.pending.empty())
                wake = std::min(wake, kb.pending.front().due);
            if (kb.config.liveKeyStateMs > 0)
                wake = std::min(wake, kb.nextLiveReport);
        }
        if (wake == Clock::time_point::max())
            r.arrived.wait(lock);
        else
            r.arrived.wait_until(lock, wake);
    }
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    bool nonblocking = false;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        if (!dev || r.handles.count(dev) == 0)
            return -1;
        nonblocking = dev->nonblocking;
    }
    return hid_read_timeout(dev, data, length, nonblocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!dev || r.handles.count(dev) == 0)
        return -1;
    dev->nonblocking = nonblock != 0;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *, size_t)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (dev && r.handles.count(dev))
        dev->error = L"feature reports are not simulated";
    return -1;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *, size_t)
{
    return hid_send_feature_report(dev, nullptr, 0);
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device *dev, unsigned char *, size_t)
{
    return hid_send_feature_report(dev, nullptr, 0);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (!dev)
        return;
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.handles.erase(dev) == 0)
        return; // not ours, or closed twice: leave it alone rather than free twice
    r.stats.openHandles = int(r.handles.size());
    freeInfo(dev->info);
    delete dev;
    r.arrived.notify_all();
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const KeyboardState *kb = keyboardOf(r, dev);
    return kb ? copyString(kb->config.manufacturer, string, maxlen) : -1;
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const KeyboardState *kb = keyboardOf(r, dev);
    return kb ? copyString(kb->config.product, string, maxlen) : -1;
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const KeyboardState *kb = keyboardOf(r, dev);
    return kb ? copyString(kb->config.serial, string, maxlen) : -1;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_get_device_info(hid_device *dev)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const KeyboardState *kb = keyboardOf(r, dev);
    if (!kb)
        return nullptr;
    if (!dev->info) {
        for (const SimInterface &iface : kb->config.interfaces)
            if (iface.number == dev->interfaceNumber) {
                dev->info = makeInfo(*kb, iface);
                break;
            }
    }
    return dev->info;
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device *dev, int, wchar_t *string, size_t maxlen)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!keyboardOf(r, dev))
        return -1;
    return copyString(L"", string, maxlen);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (!dev)
        return t_globalError.empty() ? L"Success" : t_globalError.c_str();
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.handles.count(dev) == 0)
        return L"unknown device";
    return dev->error.empty() ? L"Success" : dev->error.c_str();
}

HID_API_EXPORT const struct hid_api_version *HID_API_CALL hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR, HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char *HID_API_CALL hid_version_str(void)
{
    return HID_API_VERSION_STR "-simulated";
}

} // extern "C"
