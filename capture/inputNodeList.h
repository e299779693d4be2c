#pragma once

#include "inputNodeMatch.h"

#include <string>
#include <vector>

// The system's input event nodes and the USB device behind a node, read from
// udev. One implementation per platform (inputNodeList_udev.cpp).
namespace inputNodeList {

// Every input event node, at most a bounded number; empty with *error set
// when udev cannot be asked.
std::vector<InputNodeInfo> list(std::string *error);

// The sys path of the USB device that the device node at path (a hidraw
// node, say) belongs to; empty when there is none or it cannot be told.
std::string usbDeviceOf(const std::string &path);

} // namespace inputNodeList
