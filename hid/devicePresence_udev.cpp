#include "devicePresence.h"
#include "devicePresenceBackend.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <cerrno>
#include <cstring>

// Linux: plugging is watched on udev's monitor socket, which needs no window.
// udev's own events (not the kernel's raw ones) are used, so the device's
// properties are complete when the keyboard is reported.

namespace {

// Texts are cut here only to bound the copy; the filter ignores any field
// longer than it believes, and a cut one is still longer than that.
constexpr std::size_t kMaxTextBytes = 4096;
// Events taken per wake-up; the notifier fires again while more are pending.
constexpr int kMaxEventsPerWakeUp = 64;

std::string text(const char *value)
{
    return value ? std::string(value, strnlen(value, kMaxTextBytes)) : std::string();
}

deviceChange::UdevEvent eventOf(udev_device *device)
{
    deviceChange::UdevEvent event;
    event.action = text(udev_device_get_action(device));
    event.subsystem = text(udev_device_get_subsystem(device));
    event.devtype = text(udev_device_get_devtype(device));
    event.devpath = text(udev_device_get_devpath(device));
    event.product = text(udev_device_get_property_value(device, "PRODUCT"));
    event.idVendor = text(udev_device_get_property_value(device, "ID_VENDOR_ID"));
    event.idModel = text(udev_device_get_property_value(device, "ID_MODEL_ID"));
    return event;
}

class UdevBackend : public PresenceBackend
{
public:
    explicit UdevBackend(DevicePresence &presence) : m_presence(presence) {}
    ~UdevBackend() override { stop(); }

    bool needsWindowHandle() const override { return false; }

    std::vector<unsigned long> start(std::uintptr_t) override
    {
        if (m_monitor)
            return {};
        errno = 0;
        m_udev = udev_new();
        if (!m_udev)
            return fail(errno);
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (!m_monitor)
            return fail(errno);
        // The kernel and udev filter in the socket already; the same test in
        // the filter keeps injected events to the same rule.
        int rc = udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device");
        if (rc >= 0)
            rc = udev_monitor_enable_receiving(m_monitor);
        if (rc < 0)
            return fail(-rc);
        const int fd = udev_monitor_get_fd(m_monitor);
        if (fd < 0)
            return fail(-fd);
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &m_presence, [this] { receive(); });
        return {};
    }

    bool readNativeMessage(const void *, deviceChange::WindowsDeviceMessage &) const override { return false; }

private:
    std::vector<unsigned long> fail(int code)
    {
        stop();
        return {static_cast<unsigned long>(code > 0 ? code : EIO)};
    }

    void stop()
    {
        m_notifier.reset();
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
        m_monitor = nullptr;
        m_udev = nullptr;
    }

    void receive()
    {
        // Read first, report after: a receiver may run a nested event loop,
        // in which this is called again for the events that follow.
        std::vector<deviceChange::UdevEvent> events;
        for (int i = 0; i < kMaxEventsPerWakeUp && m_monitor; ++i) {
            udev_device *device = udev_monitor_receive_device(m_monitor);
            if (!device)
                break;
            events.push_back(eventOf(device));
            udev_device_unref(device);
        }
        for (const deviceChange::UdevEvent &event : events)
            m_presence.injectUdevEvent(event);
    }

    DevicePresence &m_presence;
    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<PresenceBackend> makePresenceBackend(DevicePresence &presence)
{
    return std::make_unique<UdevBackend>(presence);
}
