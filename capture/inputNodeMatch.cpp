#include "inputNodeMatch.h"

#include <algorithm>
#include <cctype>

namespace {

// Four hexadecimal digits at most, as sysfs writes the ids; anything else is
// no id at all.
bool parseId(const std::string &text, std::uint16_t *id)
{
    if (text.empty() || text.size() > 4)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                       ? c - '0'
                                                       : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    *id = static_cast<std::uint16_t>(value);
    return true;
}

bool isEventNode(const InputNodeInfo &node)
{
    const std::string prefix = "event";
    if (node.sysname.size() <= prefix.size() || node.sysname.size() > prefix.size() + 6 ||
        node.sysname.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < node.sysname.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(node.sysname[i])))
            return false;
    }
    return node.devnode == "/dev/input/" + node.sysname;
}

} // namespace

bool reportsKeys(const InputNodeInfo &node)
{
    if (node.idInputKey == "1" || node.idInputKeyboard == "1")
        return true;
    for (char c : node.keyCapabilities) {
        if (std::isxdigit(static_cast<unsigned char>(c)) && c != '0')
            return true;
    }
    return false;
}

std::vector<std::string> matchInputNodes(const std::vector<InputNodeInfo> &nodes, const InputNodeWanted &wanted)
{
    std::vector<std::string> paths;
    for (const InputNodeInfo &node : nodes) {
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        if (!parseId(node.usbVendor, &vendor) || !parseId(node.usbProduct, &product))
            continue;
        if (vendor != wanted.vendorId || product != wanted.productId)
            continue;
        // Before the link has said which USB device is the unit, a station
        // keyboard of the same platform cannot be told from it: none is taken.
        if (wanted.usbDevice.empty() ? !wanted.anyUsbDevice : node.usbDevice != wanted.usbDevice)
            continue;
        if (!isEventNode(node) || !reportsKeys(node))
            continue;
        paths.push_back(node.devnode);
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    if (paths.size() > MaxUnitNodes)
        paths.resize(MaxUnitNodes);
    return paths;
}

std::vector<std::string> nodesBeingSetUp(const std::vector<InputNodeInfo> &nodes, const std::vector<std::string> &paths)
{
    std::vector<std::string> waiting;
    for (const std::string &path : paths) {
        for (const InputNodeInfo &node : nodes) {
            if (node.devnode == path && !node.initialized) {
                waiting.push_back(path);
                break;
            }
        }
    }
    return waiting;
}
