#include "inputNodeList.h"

#include <libudev.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far more event nodes than any station has; the list stops there.
constexpr std::size_t MaxListedNodes = 1024;
// Every text taken from udev is cut here; nothing the match reads is longer.
constexpr std::size_t MaxTextBytes = 4096;

std::string text(const char *value)
{
    return value ? std::string(value, strnlen(value, MaxTextBytes)) : std::string();
}

InputNodeInfo infoOf(udev_device *event)
{
    InputNodeInfo node;
    node.devnode = text(udev_device_get_devnode(event));
    node.sysname = text(udev_device_get_sysname(event));
    node.idInputKey = text(udev_device_get_property_value(event, "ID_INPUT_KEY"));
    node.idInputKeyboard = text(udev_device_get_property_value(event, "ID_INPUT_KEYBOARD"));
    // Without udevd nothing is ever initialised, and nothing is left to wait for.
    node.initialized = udev_device_get_is_initialized(event) > 0 || ::access("/run/udev/control", F_OK) != 0;
    // Parents belong to their child: no reference of their own to drop.
    if (udev_device *input = udev_device_get_parent_with_subsystem_devtype(event, "input", nullptr))
        node.keyCapabilities = text(udev_device_get_sysattr_value(input, "capabilities/key"));
    if (udev_device *usb = udev_device_get_parent_with_subsystem_devtype(event, "usb", "usb_device")) {
        node.usbVendor = text(udev_device_get_sysattr_value(usb, "idVendor"));
        node.usbProduct = text(udev_device_get_sysattr_value(usb, "idProduct"));
        node.usbDevice = text(udev_device_get_syspath(usb));
    }
    return node;
}

} // namespace

namespace inputNodeList {

std::vector<InputNodeInfo> list(std::string *error)
{
    std::vector<InputNodeInfo> nodes;
    errno = 0;
    udev *context = udev_new();
    if (!context) {
        *error = std::string("udev cannot be asked: ") + std::strerror(errno ? errno : ENOMEM);
        return nodes;
    }
    udev_enumerate *enumerate = udev_enumerate_new(context);
    int rc = enumerate ? udev_enumerate_add_match_subsystem(enumerate, "input") : -ENOMEM;
    if (rc >= 0)
        rc = udev_enumerate_add_match_sysname(enumerate, "event*");
    if (rc >= 0)
        rc = udev_enumerate_scan_devices(enumerate);
    if (rc < 0) {
        *error = std::string("udev cannot list the input devices: ") + std::strerror(-rc);
    } else {
        udev_list_entry *entry = udev_enumerate_get_list_entry(enumerate);
        for (; entry && nodes.size() < MaxListedNodes; entry = udev_list_entry_get_next(entry)) {
            udev_device *event = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
            if (!event)
                continue;
            nodes.push_back(infoOf(event));
            udev_device_unref(event);
        }
    }
    if (enumerate)
        udev_enumerate_unref(enumerate);
    udev_unref(context);
    return nodes;
}

std::string usbDeviceOf(const std::string &path)
{
    struct stat st = {};
    if (path.compare(0, 5, "/dev/") != 0 || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::string();
    udev *context = udev_new();
    if (!context)
        return std::string();
    std::string usbDevice;
    if (udev_device *node = udev_device_new_from_devnum(context, 'c', st.st_rdev)) {
        if (udev_device *usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device"))
            usbDevice = text(udev_device_get_syspath(usb));
        udev_device_unref(node);
    }
    udev_unref(context);
    return usbDevice;
}

} // namespace inputNodeList
