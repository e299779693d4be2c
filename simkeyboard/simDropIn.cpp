// Only in the preloadable library: plugs in the keyboards named by
// TKT_SIM_KEYBOARDS when the library is loaded, so the real program finds a
// keyboard at start-up without any code of its own knowing about the simulator.
//
//   TKT_SIM_KEYBOARDS="0416:b23c,0416:7372"   vendor:product pairs (hex), or "none"
//   TKT_SIM_LIVE_MS=1500                      key-state report period while open (0 = off)
//
// Without the variable, one NUC121 keyboard (0416:b23c) is plugged in.

#include "simKeyboard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Row = std::array<uint8_t, sim::kLayoutColumns>;

// A small ten-keyless matrix in HID usages, row by row.
const std::array<Row, sim::kLayoutRows> kLayout = {{
    {0x29, 0x00, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48},
    {0x35, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2D, 0x2E, 0x2A, 0x49, 0x4A, 0x4B},
    {0x2B, 0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13, 0x2F, 0x30, 0x31, 0x4C, 0x4D, 0x4E},
    {0x39, 0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x28},
    {0xE1, 0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10, 0x36, 0x37, 0x38, 0xE5, 0x00, 0x00, 0x00, 0x52},
    {0xE0, 0xE3, 0xE2, 0x2C, 0xE6, 0xE7, 0x65, 0xE4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x51, 0x4F},
}};

bool parseEntry(const std::string &entry, uint16_t &vid, uint16_t &pid)
{
    unsigned v = 0, p = 0;
    char tail = 0;
    if (std::sscanf(entry.c_str(), "%x:%x%c", &v, &p, &tail) != 2 || v > 0xffff || p > 0xffff)
        return false;
    vid = uint16_t(v);
    pid = uint16_t(p);
    return true;
}

sim::SimKeyboardConfig configFor(uint16_t vid, uint16_t pid, int liveMs, int index)
{
    sim::SimKeyboardConfig c;
    c.vendorId = vid;
    c.productId = pid;
    c.manufacturer = L"Tavrin Simulated";
    wchar_t product[64];
    std::swprintf(product, 64, L"Simulated keyboard %04x:%04x", vid, pid);
    c.product = product;
    char name[58];
    std::snprintf(name, sizeof name, "TAVRIN,SIM-%04X,V1.0.%d", pid, index);
    c.nameText = name;
    c.buildText = "Jan  5 2024,10:11:12";
    c.layout = kLayout;
    c.keyCheckMasks[2] = 0x02; // one key of the second row fails the key check
    c.calibrated = true;
    c.magneticProgressAnswers = 3;
    c.magneticPassMasks.fill(0x3F);
    c.magneticVerdict = 0;
    c.liveKeyStateMs = liveMs;
    return c;
}

struct DropIn
{
    DropIn()
    {
        const char *live = std::getenv("TKT_SIM_LIVE_MS");
        const int liveMs = live ? std::max(0, std::atoi(live)) : 1500;
        const char *env = std::getenv("TKT_SIM_KEYBOARDS");
        std::string list = env ? env : "0416:b23c";
        if (list == "none")
            return;
        size_t start = 0;
        int index = 0;
        // Bounded by the text itself: each turn consumes at least one character.
        while (start <= list.size() && index < 32) {
            const size_t comma = list.find(',', start);
            const std::string entry =
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            uint16_t vid = 0, pid = 0;
            if (parseEntry(entry, vid, pid))
                sim::SimKeyboard::plugIn(configFor(vid, pid, liveMs, index++));
            else if (!entry.empty())
                std::fprintf(stderr, "simulated keyboard: ignoring \"%s\" (want vvvv:pppp)\n", entry.c_str());
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        std::fprintf(stderr, "simulated keyboard: %d keyboard(s) plugged in\n", index);
    }
};

const DropIn dropIn;

} // namespace
