#pragma once

#include "devicePresence.h"
#include "simKeyboard.h"

#include <QMetaObject>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Turns the simulator's plugging into the kernel events udev would report and
// queues them to a DevicePresence on its own thread, as its monitor would:
// the USB device's event plus an interface and a hidraw event, so a receiver
// must pick the one that counts. Must not outlive the presence it feeds.
class SimUdevBridge
{
public:
    explicit SimUdevBridge(DevicePresence *presence)
    {
        sim::setPlugListener([presence](uint16_t vid, uint16_t pid, int keyboard, bool plugged) {
            for (const deviceChange::UdevEvent &event : events(vid, pid, keyboard, plugged))
                QMetaObject::invokeMethod(
                    presence, [presence, event] { presence->injectUdevEvent(event); }, Qt::QueuedConnection);
        });
    }
    ~SimUdevBridge() { sim::setPlugListener(nullptr); }

    SimUdevBridge(const SimUdevBridge &) = delete;
    SimUdevBridge &operator=(const SimUdevBridge &) = delete;

    static std::vector<deviceChange::UdevEvent> events(uint16_t vid, uint16_t pid, int keyboard, bool plugged)
    {
        char ids[16], product[32], vendorId[8], modelId[8];
        std::snprintf(ids, sizeof ids, "%04X:%04X", vid, pid);
        std::snprintf(product, sizeof product, "%x/%x/100", vid, pid);
        std::snprintf(vendorId, sizeof vendorId, "%04x", vid);
        std::snprintf(modelId, sizeof modelId, "%04x", pid);
        const std::string action = plugged ? "add" : "remove";
        const std::string device = "/devices/sim/usb1/1-" + std::to_string(keyboard + 1);
        const std::string interface = device + ":1.2";
        std::vector<deviceChange::UdevEvent> burst{
            {action, "usb", "usb_device", device, product, vendorId, modelId},
            {action, "usb", "usb_interface", interface, product, vendorId, modelId},
            {action, "hidraw", "", interface + "/0003:" + ids + ".0001/hidraw/hidraw0", "", vendorId, modelId},
        };
        // The kernel removes the children first.
        if (!plugged)
            std::reverse(burst.begin(), burst.end());
        return burst;
    }
};
