#include "simUdev.h"

#include <libudev.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// What travels through a fake monitor's pipe: one plug or unplug. Written in
// one piece (far below PIPE_BUF), so a reader gets whole records only.
struct PlugRecord
{
    uint16_t vid;
    uint16_t pid;
    int32_t keyboard;
    uint8_t plugged;
};

struct FakeMonitor
{
    int readFd = -1;
    int writeFd = -1;
    bool receiving = false;
    std::vector<std::pair<std::string, std::string>> matches; // subsystem, devtype ("" = any)
};

struct FakeDevice
{
    std::string action, devpath, product, idVendor, idModel;
};

// Objects are told apart by address: only these are ours, anything else
// belongs to the real library.
struct Fakes
{
    std::mutex mutex;
    std::set<FakeMonitor *> monitors;
    std::set<FakeDevice *> devices;
};

Fakes &fakes()
{
    static auto *f = new Fakes;
    return *f;
}

constexpr size_t kMaxMonitors = 8;
constexpr size_t kMaxMatches = 16;

bool controlled()
{
    const char *control = std::getenv("TKT_SIM_CONTROL");
    return control && *control;
}

FakeMonitor *fakeMonitor(udev_monitor *monitor)
{
    Fakes &f = fakes();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto *m = reinterpret_cast<FakeMonitor *>(monitor);
    return f.monitors.count(m) ? m : nullptr;
}

FakeDevice *fakeDevice(udev_device *device)
{
    Fakes &f = fakes();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto *d = reinterpret_cast<FakeDevice *>(device);
    return f.devices.count(d) ? d : nullptr;
}

template <typename Function> Function realFunction(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The real function of the same name, found once; errno ENOSYS when the
// program has no libudev loaded.
#define TKT_FORWARD(name, fallback, ...)                                                                               \
    do {                                                                                                               \
        static const auto real = realFunction<decltype(&::name)>(#name);                                               \
        if (!real) {                                                                                                   \
            errno = ENOSYS;                                                                                            \
            return fallback;                                                                                           \
        }                                                                                                              \
        return real(__VA_ARGS__);                                                                                      \
    } while (false)

bool wantsUsbDevices(const FakeMonitor &m)
{
    if (m.matches.empty())
        return true;
    for (const auto &match : m.matches)
        if (match.first == "usb" && (match.second.empty() || match.second == "usb_device"))
            return true;
    return false;
}

std::string hex(const char *format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

namespace sim {

void postUdevPlugEvent(uint16_t vid, uint16_t pid, int keyboard, bool plugged)
{
    PlugRecord record;
    std::memset(&record, 0, sizeof record);
    record.vid = vid;
    record.pid = pid;
    record.keyboard = keyboard;
    record.plugged = plugged ? 1 : 0;
    Fakes &f = fakes();
    std::lock_guard<std::mutex> lock(f.mutex);
    for (FakeMonitor *m : f.monitors) {
        // A monitor only hears what happens after it started receiving; a
        // full pipe loses the event, as a full netlink socket would.
        if (m->receiving && wantsUsbDevices(*m) && write(m->writeFd, &record, sizeof record) != sizeof record)
            std::fprintf(stderr, "simulated udev: event lost (%s)\n", std::strerror(errno));
    }
}

} // namespace sim

extern "C" {

udev_monitor *udev_monitor_new_from_netlink(udev *context, const char *name)
{
    if (!controlled())
        TKT_FORWARD(udev_monitor_new_from_netlink, nullptr, context, name);
    Fakes &f = fakes();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.monitors.size() >= kMaxMonitors) {
        errno = EMFILE;
        return nullptr;
    }
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return nullptr;
    auto *m = new FakeMonitor;
    m->readFd = fds[0];
    m->writeFd = fds[1];
    f.monitors.insert(m);
    return reinterpret_cast<udev_monitor *>(m);
}

int udev_monitor_filter_add_match_subsystem_devtype(udev_monitor *monitor, const char *subsystem, const char *devtype)
{
    FakeMonitor *m = fakeMonitor(monitor);
    if (!m)
        TKT_FORWARD(udev_monitor_filter_add_match_subsystem_devtype, -ENOSYS, monitor, subsystem, devtype);
    if (!subsystem)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(fakes().mutex);
    if (m->matches.size() >= kMaxMatches)
        return -ENOMEM;
    m->matches.emplace_back(subsystem, devtype ? devtype : "");
    return 0;
}

int udev_monitor_enable_receiving(udev_monitor *monitor)
{
    FakeMonitor *m = fakeMonitor(monitor);
    if (!m)
        TKT_FORWARD(udev_monitor_enable_receiving, -ENOSYS, monitor);
    std::lock_guard<std::mutex> lock(fakes().mutex);
    m->receiving = true;
    return 0;
}

int udev_monitor_get_fd(udev_monitor *monitor)
{
    FakeMonitor *m = fakeMonitor(monitor);
    if (!m)
        TKT_FORWARD(udev_monitor_get_fd, -ENOSYS, monitor);
    return m->readFd;
}

udev_device *udev_monitor_receive_device(udev_monitor *monitor)
{
    FakeMonitor *m = fakeMonitor(monitor);
    if (!m)
        TKT_FORWARD(udev_monitor_receive_device, nullptr, monitor);
    PlugRecord record;
    std::memset(&record, 0, sizeof record);
    const ssize_t n = read(m->readFd, &record, sizeof record);
    if (n != ssize_t(sizeof record)) {
        if (n >= 0)
            errno = EAGAIN;
        return nullptr;
    }
    auto *d = new FakeDevice;
    d->action = record.plugged ? "add" : "remove";
    // One hub port per simulated keyboard, as a bench with a hub would show.
    d->devpath = "/devices/sim/usb1/1-" + std::to_string(record.keyboard + 1);
    d->product = hex("%x", record.vid) + "/" + hex("%x", record.pid) + "/100";
    d->idVendor = hex("%04x", record.vid);
    d->idModel = hex("%04x", record.pid);
    std::lock_guard<std::mutex> lock(fakes().mutex);
    fakes().devices.insert(d);
    return reinterpret_cast<udev_device *>(d);
}

udev_monitor *udev_monitor_unref(udev_monitor *monitor)
{
    FakeMonitor *m = fakeMonitor(monitor);
    if (!m)
        TKT_FORWARD(udev_monitor_unref, nullptr, monitor);
    {
        std::lock_guard<std::mutex> lock(fakes().mutex);
        fakes().monitors.erase(m);
    }
    close(m->readFd);
    close(m->writeFd);
    delete m;
    return nullptr;
}

const char *udev_device_get_action(udev_device *device)
{
    FakeDevice *d = fakeDevice(device);
    if (!d)
        TKT_FORWARD(udev_device_get_action, nullptr, device);
    return d->action.c_str();
}

const char *udev_device_get_subsystem(udev_device *device)
{
    if (!fakeDevice(device))
        TKT_FORWARD(udev_device_get_subsystem, nullptr, device);
    return "usb";
}

const char *udev_device_get_devtype(udev_device *device)
{
    if (!fakeDevice(device))
        TKT_FORWARD(udev_device_get_devtype, nullptr, device);
    return "usb_device";
}

const char *udev_device_get_devpath(udev_device *device)
{
    FakeDevice *d = fakeDevice(device);
    if (!d)
        TKT_FORWARD(udev_device_get_devpath, nullptr, device);
    return d->devpath.c_str();
}

const char *udev_device_get_property_value(udev_device *device, const char *key)
{
    FakeDevice *d = fakeDevice(device);
    if (!d)
        TKT_FORWARD(udev_device_get_property_value, nullptr, device, key);
    if (!key)
        return nullptr;
    if (std::strcmp(key, "PRODUCT") == 0)
        return d->product.c_str();
    if (std::strcmp(key, "ID_VENDOR_ID") == 0)
        return d->idVendor.c_str();
    if (std::strcmp(key, "ID_MODEL_ID") == 0)
        return d->idModel.c_str();
    return nullptr;
}

udev_device *udev_device_unref(udev_device *device)
{
    FakeDevice *d = fakeDevice(device);
    if (!d)
        TKT_FORWARD(udev_device_unref, nullptr, device);
    {
        std::lock_guard<std::mutex> lock(fakes().mutex);
        fakes().devices.erase(d);
    }
    delete d;
    return nullptr;
}

} // extern "C"
