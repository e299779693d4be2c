#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One input event node as udev describes it, with what is known of the USB
// device it belongs to (all empty where it hangs on no USB device).
struct InputNodeInfo
{
    std::string devnode; // "/dev/input/event7"
    std::string sysname; // "event7"
    // udev's classification: "1" when the device has keys, or is a keyboard.
    std::string idInputKey;
    std::string idInputKeyboard;
    // The input device's key capability bitmap from sysfs: hexadecimal words,
    // all zero for a device without keys. Used where udev has not classified.
    std::string keyCapabilities;
    std::string usbVendor;  // "0416"
    std::string usbProduct; // "b23c"
    std::string usbDevice;  // the USB device's sys path
    // udev has finished with the node: its permissions are final.
    bool initialized = true;
};

// Which unit's nodes are wanted: its ids and, when known, its USB device (so a
// second keyboard of the same platform stays with the desktop).
struct InputNodeWanted
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string usbDevice; // empty: not known yet, so no node is the unit's
    // With usbDevice empty: every USB device with the ids, for naming nodes
    // in the log only (never to open one).
    bool anyUsbDevice = false;
};

// A keyboard has a handful of input devices; more would not be one unit.
constexpr std::size_t MaxUnitNodes = 16;

// Whether the node reports keys, by udev's classification or, without it,
// by its key capability bitmap.
bool reportsKeys(const InputNodeInfo &node);

// The event nodes of the wanted unit that report keys: the only nodes the
// device source opens. Sorted, without duplicates, at most MaxUnitNodes. A
// node whose path is not /dev/input/<its sysname>, or whose sysname is not
// "event" and a number, is never taken.
std::vector<std::string> matchInputNodes(const std::vector<InputNodeInfo> &nodes, const InputNodeWanted &wanted);

// Of paths, those whose nodes udev is still setting up (a keyboard just
// plugged in): opened now they could still be root's alone, so they are
// opened once udev is done. A path no longer among nodes is not waited for.
std::vector<std::string> nodesBeingSetUp(const std::vector<InputNodeInfo> &nodes,
                                         const std::vector<std::string> &paths);
